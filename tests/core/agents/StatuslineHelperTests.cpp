// Runs the real statusline helper as Claude Code does: a child process
// with the session's JSON on standard input.

#include <chrono>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/agents/ClaudeStatusline.h"
#include "core/base/Files.h"
#include "core/base/ProcessRunner.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string statusInput =
    R"({"session_id":"s1","context_window":{"used_percentage":35},"rate_limits":{)"
    R"("five_hour":{"used_percentage":42.4,"resets_at":4102444800},"seven_day":{"used_percentage":9.6}}})";

class StatuslineHelperRun : public ::testing::Test {
protected:
    fs::path statusFolder() const { return folder_ / "data" / "Lunebox" / "status"; }

    Result<ProcessOutput> run(const std::string& input, std::vector<std::string> arguments = {})
    {
        ProcessRequest request;
        request.program = std::string(LUNEBOX_BIN_DIR) + "/corvane-statusline";
        request.arguments = std::move(arguments);
        request.environment.set = {{"HOME", (folder_ / "home").string()},
                                   {"XDG_DATA_HOME", (folder_ / "data").string()},
                                   {"CLAUDE_CONFIG_DIR", (folder_ / "claude").string()}};
        request.standardInput = input;
        request.timeoutSeconds = 30;
        return ProcessRunner(registry_).run(request);
    }

    void writeLogin(const std::string& uuid)
    {
        fs::create_directories(folder_ / "claude");
        std::ofstream(folder_ / "claude" / ".claude.json")
            << R"({"oauthAccount":{"accountUuid":")" << uuid << R"(","emailAddress":"a@example.org"}})";
    }

    testing::TemporaryFolder folder_;
    ChildRegistry registry_;
};

TEST_F(StatuslineHelperRun, alone_it_writes_the_status_file_and_prints_the_compact_line)
{
    auto ran = run(statusInput);
    ASSERT_TRUE(ran.ok()) << ran.error().message();
    EXPECT_EQ(ran->exit, ProcessExit::exited(0));
    EXPECT_EQ(ran->standardOutput, "5h 42% · 7d 10% · ctx 35%\n");
    fs::path status = statusFolder() / "claude.json";
    ASSERT_TRUE(fs::exists(status));
    EXPECT_EQ(fs::status(status).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    std::string written = readFileCapped(status, ClaudeStatusline::maxStatus).value();

    // Malformed input leaves the file alone; the next valid one keeps what it lacks.
    ran = run(R"({"rate_limits": )");
    ASSERT_TRUE(ran.ok());
    EXPECT_EQ(ran->standardOutput, "");
    EXPECT_EQ(readFileCapped(status, ClaudeStatusline::maxStatus).value(), written);
    ran = run(R"({"context_window":{"used_percentage":60}})");
    EXPECT_EQ(ran->standardOutput, "5h 42% · 7d 10% · ctx 60%\n");
}

TEST_F(StatuslineHelperRun, wrapping_passes_the_same_input_and_the_commands_output_and_exit_code_on)
{
    auto ran = run(statusInput, {"--wrap", "cat; echo; echo mine; exit 3"});
    ASSERT_TRUE(ran.ok()) << ran.error().message();
    EXPECT_EQ(ran->exit, ProcessExit::exited(3));
    EXPECT_EQ(ran->standardOutput, statusInput + "\nmine\n");
    EXPECT_TRUE(fs::exists(statusFolder() / "claude.json"));
}

TEST_F(StatuslineHelperRun, a_wrapped_command_that_hangs_is_cut_off_after_five_seconds)
{
    auto started = std::chrono::steady_clock::now();
    auto ran = run(statusInput, {"--wrap", "echo early; sleep 30; echo late"});
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(ran.ok()) << ran.error().message();
    EXPECT_EQ(ran->standardOutput, "");
    EXPECT_EQ(ran->exit, ProcessExit::exited(0));
    EXPECT_GE(seconds, 4.9);
    EXPECT_LT(seconds, 15);
    EXPECT_TRUE(fs::exists(statusFolder() / "claude.json"));
}

TEST_F(StatuslineHelperRun, input_over_the_cap_writes_nothing)
{
    std::string huge = statusInput;
    huge.insert(1, R"("pad":")" + std::string(ClaudeStatusline::maxStdin, 'x') + R"(",)");
    auto ran = run(huge);
    ASSERT_TRUE(ran.ok()) << ran.error().message();
    EXPECT_EQ(ran->exit, ProcessExit::exited(0));
    EXPECT_EQ(ran->standardOutput, "");
    EXPECT_FALSE(fs::exists(statusFolder() / "claude.json"));
}

TEST_F(StatuslineHelperRun, a_second_login_writes_its_own_file_beside_the_first)
{
    writeLogin("aaaa1111-0000");
    ASSERT_TRUE(run(statusInput).ok());
    writeLogin("bbbb2222-0000");
    ASSERT_TRUE(run(statusInput).ok());
    auto first = ClaudeStatusline::parse(readFileCapped(statusFolder() / "claude.json", 4096).value(),
                                         WallTime::fromUnixSeconds(0));
    EXPECT_EQ(first->account, (ClaudeAccount{"aaaa11110000", "a@example.org"}));
    EXPECT_TRUE(fs::exists(statusFolder() / "claude.bbbb22220000.json"));
}

}  // namespace
}  // namespace corvane
