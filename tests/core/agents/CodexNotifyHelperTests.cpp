// The notify helper as Codex runs it: a real child process in
// "codex-notify" mode whose previous notifier is a real shell script.

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "core/agents/CodexNotifyHelper.h"
#include "core/base/ProcessRunner.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string turn = R"({"type":"agent-turn-complete","turn-id":"7","cwd":"/work/lune box","last-assistant-message":"Done"})";

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(CodexNotifyHelper, a_finished_turn_becomes_an_inbox_file_the_app_reads_back)
{
    auto plan = CodexNotifyHelper::plan({turn}, "/elsewhere");
    EXPECT_TRUE(plan.previous.empty());
    ASSERT_TRUE(plan.event);
    EXPECT_EQ(CodexNotifyHelper::parse(*plan.event), "lune box");

    // Without "cwd" the folder Codex runs the helper in names the project.
    auto here = CodexNotifyHelper::plan({R"({"type":"agent-turn-complete"})"}, "/work/api/");
    ASSERT_TRUE(here.event);
    EXPECT_EQ(CodexNotifyHelper::parse(*here.event), "api");

    EXPECT_EQ(CodexNotifyHelper::fileName(4242, WallTime::fromUnixSeconds(1772356500.7)), "codex-4242-1772356500.json");
    EXPECT_TRUE(CodexNotifyHelper::isInboxFile("codex-4242-1772356500.json"));
    EXPECT_FALSE(CodexNotifyHelper::isInboxFile("claude-4242-1772356500.json"));
    EXPECT_FALSE(CodexNotifyHelper::isInboxFile(".codex-4242-1772356500.json.tmp-1"));
    EXPECT_EQ(CodexNotifyHelper::parse(R"({"agent":"codex","event":"notification","project":"x"})"), std::nullopt);
}

TEST(CodexNotifyHelper, the_previous_notifier_gets_the_json_whatever_the_turn_said)
{
    auto other = CodexNotifyHelper::plan({"notify-send", "Codex", R"({"type":"approval-requested"})"}, "/w");
    EXPECT_EQ(other.event, std::nullopt);
    EXPECT_EQ(other.previous, (std::vector<std::string>{"notify-send", "Codex", R"({"type":"approval-requested"})"}));

    std::string huge = R"({"type":"agent-turn-complete","pad":")" + std::string(CodexNotifyHelper::maxJSON, 'x') + "\"}";
    auto oversized = CodexNotifyHelper::plan({"say", huge}, "/w");
    EXPECT_EQ(oversized.event, std::nullopt);
    EXPECT_EQ(oversized.previous.size(), 2u);
}

TEST(CodexNotifyHelper, the_real_helper_drops_the_file_and_runs_the_previous_notifier)
{
    testing::TemporaryFolder folder;
    fs::path marker = folder / "marker";
    ChildRegistry registry;
    ProcessRequest request;
    request.program = std::string(LUNEBOX_BIN_DIR) + "/corvane-statusline";
    request.arguments = {"codex-notify", "/bin/sh", "-c", "printf '%s' \"$1\" > \"$0\"; exit 7", marker.string(), turn};
    request.environment.set = {{"HOME", (folder / "home").string()}, {"XDG_DATA_HOME", (folder / "data").string()}};
    request.timeoutSeconds = 30;
    auto ran = ProcessRunner(registry).run(request);
    ASSERT_TRUE(ran.ok()) << ran.error().message();
    // The previous notifier failed; Codex still sees success.
    EXPECT_EQ(ran->exit, ProcessExit::exited(0));
    EXPECT_EQ(slurp(marker), turn);

    fs::path inbox = folder / "data" / "Lunebox" / "inbox";
    EXPECT_EQ(fs::status(inbox).permissions() & fs::perms::all, fs::perms::owner_all);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(inbox))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(CodexNotifyHelper::isInboxFile(files[0].filename().string())) << files[0];
    EXPECT_EQ(CodexNotifyHelper::parse(slurp(files[0])), "lune box");
}

}  // namespace
}  // namespace corvane
