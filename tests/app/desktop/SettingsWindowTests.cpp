#include <gtest/gtest.h>

#include "app/desktop/SettingsWindow.h"
#include "core/notch/DefaultsDomain.h"
#include "core/notch/Keys.h"
#include "core/notch/KnownPaths.h"
#include "core/runtime/AgentSkillFile.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

#include <fstream>

using corvane::MemoryDefaultsDomain;
using corvane::SettingsStore;
using corvane::app::SettingsWindow;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

TEST(SettingsWindow, an_exported_file_imports_back_after_the_preview_is_confirmed)
{
    TemporaryFolder folder;
    auto paths = corvane::testing::harnessPaths(folder.path());
    MemoryDefaultsDomain domain;
    SettingsStore store(domain);
    SettingsWindow window(store, paths, [&](bool on) { store.set(Keys::quietMode, on); });
    store.set(Keys::quietMode, true);
    store.set(Keys::alertStyle, corvane::AlertStyle::ears);
    auto file = QString::fromStdString((folder / "settings.json").string());
    EXPECT_EQ(window.exportFile(file), "Exported to " + file + ".");

    store.set(Keys::quietMode, false);
    std::optional<SettingsStore::ImportPreview> shown;
    auto declined = window.importFile(file, [&](const SettingsStore::ImportPreview& preview) {
        shown = preview;
        return false;
    });
    EXPECT_EQ(declined, "Nothing imported.");
    EXPECT_EQ(shown, (SettingsStore::ImportPreview{.changed = 1, .unchanged = 1}));
    EXPECT_FALSE(store.get(Keys::quietMode));

    EXPECT_EQ(window.importFile(file, [](const auto&) { return true; }), "Imported 2 settings.");
    EXPECT_TRUE(store.get(Keys::quietMode));
}

TEST(SettingsWindow, an_import_that_fails_shows_why_and_changes_nothing)
{
    TemporaryFolder folder;
    auto paths = corvane::testing::harnessPaths(folder.path());
    MemoryDefaultsDomain domain;
    SettingsStore store(domain);
    SettingsWindow window(store, paths, [&](bool on) { store.set(Keys::quietMode, on); });
    // "true" is no alert style: the whole import is refused.
    std::ofstream(folder / "bad.json") << R"({"corvane.events.quietMode": "dHJ1ZQ==", "corvane.alerts.style": "dHJ1ZQ=="})";
    bool asked = false;

    auto shown = window.importFile(QString::fromStdString((folder / "bad.json").string()), [&](const auto&) {
        asked = true;
        return true;
    });

    EXPECT_EQ(shown, "Import failed: import settings corvane.alerts.style: malformed");
    EXPECT_FALSE(asked);
    EXPECT_FALSE(store.hasValue(Keys::quietMode));
    EXPECT_EQ(window.importFile(QString::fromStdString((folder / "missing.json").string()), [](const auto&) { return true; })
                  .left(15),
              "Import failed: ");
}

TEST(SettingsWindow, the_agent_skill_file_is_written_after_confirming_and_removed_again)
{
    TemporaryFolder folder;
    // A normal run whose home is the temporary folder.
    auto paths = corvane::KnownPaths::resolve({.applicationID = "com.lunebox.app",
                                               .arguments = {"lunebox"},
                                               .environment = {},
                                               .pid = 1,
                                               .home = folder.path(),
                                               .temp = folder.path()});
    ASSERT_FALSE(paths.isHarness());
    MemoryDefaultsDomain domain;
    SettingsStore store(domain);
    SettingsWindow window(store, paths, [](bool) {});
    auto file = QString::fromStdString(paths.agentSkill().string());
    std::string text = corvane::AgentSkillFile::text(corvane::KnownPaths::runningExecutable().string());
    EXPECT_EQ(window.skillButtonText(), "Install skill file\u2026");

    QString asked;
    QString shown;
    EXPECT_EQ(window.installSkill([&](const QString& message, const QString& informative) {
        asked = message;
        shown = informative;
        return false;
    }), "");
    EXPECT_EQ(asked, "Install the Lunebox agent skill?");
    EXPECT_EQ(shown, "This writes " + file + ":\n\n" + QString::fromStdString(text));
    EXPECT_FALSE(std::filesystem::exists(paths.agentSkill()));

    EXPECT_EQ(window.installSkill([](const auto&, const auto&) { return true; }), "Installed.");
    std::ifstream written(paths.agentSkill());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), text);
    EXPECT_EQ(window.skillButtonText(), "Update skill file\u2026");

    EXPECT_EQ(window.removeSkill([&](const QString& message) {
        asked = message;
        return true;
    }), "Removed.");
    EXPECT_EQ(asked, "Remove the agent skill file?");
    EXPECT_FALSE(std::filesystem::exists(paths.agentSkill()));
    EXPECT_TRUE(std::filesystem::exists(paths.agentSkill().parent_path()));

    // A test build never writes.
    auto harness = corvane::testing::harnessPaths(folder.path());
    SettingsWindow test(store, harness, [](bool) {});
    EXPECT_EQ(test.installSkill([](const auto&, const auto&) { return true; }),
              "This is a test build of Lunebox \u2014 it doesn't change your files or Keychain.");
    EXPECT_FALSE(std::filesystem::exists(harness.agentSkill()));
}
