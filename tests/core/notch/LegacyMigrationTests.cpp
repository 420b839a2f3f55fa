#include <fstream>
#include <mutex>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/base/Files.h"
#include "core/base/Log.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/LegacyMigration.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text, mode_t mode = 0644)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), mode);
}

std::string readText(const fs::path& path) { return readFileCapped(path, 1 << 20).valueOr("<missing>"); }

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class CapturingSink final : public LogSink {
public:
    void write(LogLevel, std::string_view category, std::string_view message) override
    {
        std::lock_guard lock(mutex);
        lines.push_back(std::string(category) + ": " + std::string(message));
    }
    std::mutex mutex;
    std::vector<std::string> lines;
};

}  // namespace

TEST(LegacyMigration, merge_fills_gaps_but_never_overwrites_real_data)
{
    TemporaryFolder folder;
    auto from = folder / "corvane";
    auto to = folder / "Lunebox";
    writeText(from / "alerts.json", "[{\"kind\":\"ai.finished\"}]", 0640);
    writeText(from / "weather.json", "{\"temp\": 20}");
    writeText(to / "weather.json", " {} \n");  // trivial: replaced
    writeText(from / "shelf.json", "{\"old\": true}");
    writeText(to / "shelf.json", "{\"new\": true}");  // real: kept
    writeText(from / "empty.json", "[]");
    writeText(to / "empty.json", "{}");  // both trivial: kept
    writeText(from / "inbox/event.json", "{}");
    writeText(from / "status/inbox/nested.json", "{\"x\":1}");
    writeText(from / "notes.json.sb-1234-abcd", "partial");
    writeText(from / "runtime-logs", "a file where the new folder has a folder");
    fs::create_directories(to / "runtime-logs");
    fs::create_directories(from / "private");
    ::chmod((from / "private").c_str(), 0750);

    auto count = LegacyMigration::merge(from, to, true);
    ASSERT_TRUE(count.ok()) << count.error().message();
    // alerts.json, weather.json (replaced), status/, status/inbox/, nested.json, private/
    EXPECT_EQ(*count, 6);
    EXPECT_EQ(readText(to / "alerts.json"), "[{\"kind\":\"ai.finished\"}]");
    EXPECT_EQ(modeOf(to / "alerts.json"), 0640u);
    EXPECT_EQ(readText(to / "weather.json"), "{\"temp\": 20}");
    EXPECT_EQ(readText(to / "shelf.json"), "{\"new\": true}");
    EXPECT_EQ(readText(to / "empty.json"), "{}");
    EXPECT_FALSE(fs::exists(to / "inbox")) << "the top-level inbox is never copied";
    EXPECT_EQ(readText(to / "status/inbox/nested.json"), "{\"x\":1}") << "a nested inbox is";
    EXPECT_FALSE(fs::exists(to / "notes.json.sb-1234-abcd"));
    EXPECT_TRUE(fs::is_directory(to / "runtime-logs"));
    EXPECT_EQ(modeOf(to / "private"), 0750u);
}

TEST(LegacyMigration, trivial_means_short_and_empty_after_trimming)
{
    TemporaryFolder folder;
    auto check = [&](const std::string& text) {
        writeText(folder / "f", text);
        return LegacyMigration::isTrivialFile(folder / "f");
    };
    EXPECT_TRUE(check(""));
    EXPECT_TRUE(check("{}"));
    EXPECT_TRUE(check("\n [] \n"));
    EXPECT_TRUE(check(std::string(14, ' ') + "{}"));   // 16 bytes
    EXPECT_FALSE(check(std::string(15, ' ') + "{}"));  // 17 bytes
    EXPECT_FALSE(check("[1]"));
    EXPECT_FALSE(LegacyMigration::isTrivialFile(folder / "absent"));
}

TEST(LegacyMigration, copies_preferences_and_folder_once_and_sets_the_marker)
{
    TemporaryFolder folder;
    MemoryDefaultsDomain old;
    ASSERT_TRUE(old.setData("corvane.general.hoverDelayMs", "300").ok());
    ASSERT_TRUE(old.setData("corvane.alerts.style", "\"ears\"").ok());
    MemoryDefaultsDomain current;
    writeText(folder / "share/corvane/alerts.json", "[1]");
    ::chmod((folder / "share/corvane").c_str(), 0710);

    auto report = LegacyMigration::run(&old, current, folder / "share/corvane", folder / "share/Lunebox");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(*report, (LegacyMigration::Report{2, true, 1, std::nullopt}));
    EXPECT_EQ(current.data("corvane.general.hoverDelayMs"), "300");
    EXPECT_EQ(modeOf(folder / "share/Lunebox"), 0710u) << "the new folder takes the old folder's mode";
    EXPECT_TRUE(current.plainFlag("corvane.internal.legacyMigrated"));

    writeText(folder / "share/corvane/later.json", "[2]");
    EXPECT_EQ(LegacyMigration::run(&old, current, folder / "share/corvane", folder / "share/Lunebox"), std::nullopt);
    EXPECT_FALSE(fs::exists(folder / "share/Lunebox/later.json"));

    MemoryDefaultsDomain fresh;
    auto nothing = LegacyMigration::run(nullptr, fresh, folder / "absent", folder / "new");
    EXPECT_EQ(nothing, (LegacyMigration::Report{0, false, 0, std::nullopt}));
    EXPECT_FALSE(fs::exists(folder / "new"));
}

TEST(LegacyMigration, a_failed_copy_removes_the_new_folder_and_is_not_retried)
{
    TemporaryFolder folder;
    // The new folder sits so deep that copying a nested folder into it
    // exceeds the longest path the system accepts, even for root.
    fs::path deep = folder.path();
    for (int i = 0; i < 19; ++i)
        deep /= std::string(200, 'd');
    auto oldFolder = folder / "corvane";
    writeText(oldFolder / std::string(250, 'a') / std::string(250, 'b') / "x.json", "[1]");
    MemoryDefaultsDomain old;
    ASSERT_TRUE(old.setData("corvane.sounds.enabled", "false").ok());
    MemoryDefaultsDomain current;

    auto report = LegacyMigration::run(&old, current, oldFolder, deep / "Lunebox");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->keys, 1);
    EXPECT_FALSE(report->copiedFolder);
    EXPECT_EQ(report->copiedItems, 0);
    ASSERT_TRUE(report->folderError.has_value());
    EXPECT_NE(report->folderError->find("File name too long"), std::string::npos) << *report->folderError;
    EXPECT_FALSE(fs::exists(deep / "Lunebox"));
    EXPECT_EQ(current.data("corvane.sounds.enabled"), "false") << "copied preferences stay";
    EXPECT_EQ(LegacyMigration::run(&old, current, oldFolder, deep / "Lunebox"), std::nullopt);
}

TEST(LegacyMigration, log_line_names_the_counts_and_the_error)
{
    EXPECT_EQ(LegacyMigration::logLine({3, true, 5, std::nullopt}),
              "corvane migration: 3 prefs copied, data folder 5 items copied");
    EXPECT_EQ(LegacyMigration::logLine({0, false, 0, std::string("list /x: Permission denied")}),
              "corvane migration: 0 prefs copied, data folder not copied (list /x: Permission denied)");
}

TEST(LegacyMigration, launch_step_runs_only_for_the_real_application_outside_harness_runs)
{
    TemporaryFolder folder;
    KnownPaths::Inputs inputs{"com.lunebox.app",
                              {"lunebox"},
                              {{"XDG_DATA_HOME", (folder / "share").string()},
                               {"XDG_CONFIG_HOME", (folder / "config").string()}},
                              7,
                              folder / "home",
                              folder / "tmp"};
    writeText(folder / "config/corvane/defaults.json", "{\"settings\": {\"corvane.weather.fahrenheit\": true}}");
    writeText(folder / "share/corvane/weather.json", "{\"t\": 1}");

    auto variant = inputs;
    variant.applicationID = "com.lunebox.app.dev";
    auto harness = inputs;
    harness.arguments.push_back("--snapshots");
    MemoryDefaultsDomain untouched;
    EXPECT_EQ(LegacyMigration::runAtLaunch(KnownPaths::resolve(variant), untouched), std::nullopt);
    EXPECT_EQ(LegacyMigration::runAtLaunch(KnownPaths::resolve(harness), untouched), std::nullopt);
    EXPECT_TRUE(untouched.keys().empty());

    auto sink = std::make_shared<CapturingSink>();
    setLogSink(sink);
    auto paths = KnownPaths::resolve(inputs);
    FileDefaultsDomain settings(paths.settingsFile());
    auto report = LegacyMigration::runAtLaunch(paths, settings);
    setLogSink(nullptr);

    EXPECT_EQ(report, (LegacyMigration::Report{1, true, 1, std::nullopt}));
    EXPECT_EQ(FileDefaultsDomain(folder / "config/Lunebox/defaults.json").data("corvane.weather.fahrenheit"), "true");
    EXPECT_EQ(readText(folder / "share/Lunebox/weather.json"), "{\"t\": 1}");
    EXPECT_EQ(sink->lines,
              std::vector<std::string>{"migration: corvane migration: 1 prefs copied, data folder 1 items copied"});
}
