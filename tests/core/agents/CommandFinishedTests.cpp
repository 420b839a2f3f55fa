#include <fstream>

#include <gtest/gtest.h>

#include "core/agents/CommandFinished.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const WallTime at = WallTime::fromUnixSeconds(1772356500);

TEST(CommandFinished, a_report_is_read_only_with_a_clean_name_and_sane_numbers)
{
    auto report = CommandFinished::parse(
        R"({"kind":"command","name":"make","s":48,"exit":2,"term":"WezTerm","app":"org.gnome.Terminal"})", at);
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (CommandFinished{"make", 48, 2, "WezTerm", "org.gnome.Terminal", at}));
    EXPECT_TRUE(report->failed());

    // Empty or malformed terminal and app are dropped, the report kept.
    auto bare = CommandFinished::parse(R"({"kind":"command","name":"npm","s":31,"exit":0,"term":"","app":"a b"})", at);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->term, std::nullopt);
    EXPECT_EQ(bare->app, std::nullopt);

    for (const char* bad : {R"({"kind":"other","name":"make","s":1,"exit":0})",
                            R"({"kind":"command","name":"rm -rf","s":1,"exit":0})",
                            R"({"kind":"command","name":"","s":1,"exit":0})",
                            R"({"kind":"command","name":"make","s":-1,"exit":0})",
                            R"({"kind":"command","name":"make","s":1.5,"exit":0})",
                            R"({"kind":"command","name":"make","s":1,"exit":256})",
                            R"({"kind":"command","name":"make","s":1})", R"(["make"])", "{"})
        EXPECT_EQ(CommandFinished::parse(bad, at), std::nullopt) << bad;
    std::string padded = R"({"kind":"command","name":"make","s":1,"exit":0,"x":")" + std::string(1024, 'x') + "\"}";
    EXPECT_EQ(CommandFinished::parse(padded, at), std::nullopt);
}

TEST(CommandFinished, the_folder_read_takes_report_files_only_and_dates_them_by_name)
{
    testing::TemporaryFolder folder;
    auto drop = [&](const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; };
    drop("cmd-77-1772356400.json", R"({"kind":"command","name":"cargo","s":90,"exit":0})");
    drop("cmd-77-1772356300.json", R"({"kind":"command","name":"make","s":40,"exit":1})");
    drop("cmd-78-1772356500.json", "not json");
    drop(".cmd-79-1772356500.json.tmp", R"({"kind":"command","name":"half","s":40,"exit":1})");
    drop("claude-1-1772356500.json", R"({"agent":"claude","event":"stop"})");
    fs::create_directory(folder / "cmd-80-1772356500.json");

    auto batch = CommandFinished::read(folder.path(), at);
    ASSERT_EQ(batch.reports.size(), 2u);
    EXPECT_EQ(batch.reports[0].name, "make");
    EXPECT_EQ(batch.reports[0].at, WallTime::fromUnixSeconds(1772356300));
    EXPECT_EQ(batch.reports[1].name, "cargo");
    EXPECT_EQ(batch.ignored, 1u);
    CommandFinished::removeRead(batch);
    EXPECT_FALSE(fs::exists(folder / "cmd-78-1772356500.json"));
    EXPECT_TRUE(fs::exists(folder / ".cmd-79-1772356500.json.tmp"));
    EXPECT_TRUE(fs::exists(folder / "claude-1-1772356500.json"));
}

TEST(CommandFinished, the_alert_names_the_program_and_marks_a_failure)
{
    AlertPost ok = CommandFinished::alert({"cargo", 130, 0, std::nullopt, std::nullopt, at});
    EXPECT_EQ(ok.kind, "projects.commandFinished");
    EXPECT_EQ(ok.title, "cargo finished");
    EXPECT_EQ(ok.body, "2 min 10 s");
    EXPECT_EQ(ok.card->symbol, "checkmark.circle.fill");

    AlertPost failed = CommandFinished::alert({"make", 48, 2, "WezTerm", std::nullopt, at});
    EXPECT_EQ(failed.title, "make failed");
    EXPECT_EQ(failed.body, "exit 2 · 48 s");
    EXPECT_EQ(failed.card->symbol, "xmark.circle.fill");
    EXPECT_EQ(failed.ear->symbol, "xmark.circle.fill");
}

TEST(CommandFinished, settings_decide_which_reports_are_announced)
{
    CommandFinished report{"make", 40, 0, "WezTerm", "org.gnome.Terminal", at};
    EXPECT_TRUE(CommandFinished::announces(report, true, 30, false, "org.gnome.Terminal"));
    EXPECT_FALSE(CommandFinished::announces(report, false, 30, false, std::nullopt));
    EXPECT_FALSE(CommandFinished::announces(report, true, 41, false, std::nullopt));
    // Only in the background: the hosting terminal in front holds it back.
    EXPECT_FALSE(CommandFinished::announces(report, true, 30, true, "org.gnome.terminal"));
    EXPECT_FALSE(CommandFinished::announces(report, true, 30, true, "wezterm"));
    EXPECT_TRUE(CommandFinished::announces(report, true, 30, true, "firefox"));
    EXPECT_TRUE(CommandFinished::announces(report, true, 30, true, std::nullopt));
}

}  // namespace
}  // namespace corvane
