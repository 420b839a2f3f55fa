// These tests start real processes through /bin/sh.

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "core/base/Files.h"
#include "core/base/ProcessRunner.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using namespace std::chrono_literals;
using corvane::testing::TemporaryFolder;

namespace {

ProcessRequest shell(std::string script)
{
    ProcessRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", std::move(script)};
    return request;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Gone, or a zombie waiting for a parent that is not us.
bool processIsGone(pid_t pid)
{
    auto stat = readFileCapped("/proc/" + std::to_string(pid) + "/stat", 4096);
    if (!stat)
        return true;
    auto close = stat->rfind(')');
    return close != std::string::npos && stat->substr(close + 2, 1) == "Z";
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms)
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

pid_t readPid(const std::filesystem::path& file)
{
    pid_t pid = 0;
    eventually([&] {
        std::ifstream in(file);
        return static_cast<bool>(in >> pid);
    });
    return pid;
}

class ProcessRunnerTest : public ::testing::Test {
protected:
    ChildRegistry registry;
    ProcessRunner runner{registry};
};

}  // namespace

TEST_F(ProcessRunnerTest, both_streams_and_the_exit_code_are_captured_separately)
{
    auto result = runner.run(shell("printf 'out line\\n'; printf 'err line\\n' >&2; exit 3"));
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(result->standardOutput, "out line\n");
    EXPECT_EQ(result->standardError, "err line\n");
    EXPECT_EQ(result->exit, ProcessExit::exited(3));
    EXPECT_FALSE(result->succeeded());
    EXPECT_TRUE(registry.running().empty());
}

TEST_F(ProcessRunnerTest, a_child_ended_by_a_signal_reports_the_signal_not_an_exit_code)
{
    auto result = runner.run(shell("kill -KILL $$"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exit, ProcessExit::signalled(SIGKILL));
}

TEST_F(ProcessRunnerTest, arguments_reach_the_program_verbatim_without_a_shell)
{
    ProcessRequest request;
    request.program = "printf";  // found on PATH
    request.arguments = {"%s|", "two words", "$HOME", "*", "'quoted'"};
    auto result = runner.run(request);
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(result->standardOutput, "two words|$HOME|*|'quoted'|");
}

TEST_F(ProcessRunnerTest, missing_programs_and_folders_and_nul_bytes_are_refused_before_starting)
{
    ProcessRequest missing;
    missing.program = "lunebox-no-such-tool";
    auto result = runner.run(missing);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, Error::Code::NotFound);
    EXPECT_EQ(result.error().context, "lunebox-no-such-tool");

    TemporaryFolder folder;
    ASSERT_TRUE(writeFileAtomically(folder / "script", "#!/bin/sh\n", 0644));
    ProcessRequest notExecutable;
    notExecutable.program = (folder / "script").string();
    EXPECT_EQ(runner.run(notExecutable).error().code, Error::Code::PermissionDenied);

    auto wrongFolder = shell("pwd");
    wrongFolder.workingFolder = (folder / "gone").string();
    EXPECT_EQ(runner.run(wrongFolder).error().code, Error::Code::NotFound);

    auto nul = shell(std::string("echo a\0b", 8));
    EXPECT_EQ(runner.run(nul).error().code, Error::Code::Invalid);
}

TEST_F(ProcessRunnerTest, environment_is_inherited_overridden_and_pruned_in_the_given_folder)
{
    TemporaryFolder folder;
    ::setenv("LUNEBOX_TEST_KEPT", "kept", 1);
    ::setenv("LUNEBOX_TEST_REMOVED", "removed", 1);
    auto request = shell("printf '%s|%s|%s|%s' \"$LUNEBOX_TEST_KEPT\" \"${LUNEBOX_TEST_REMOVED-unset}\" \"$LUNEBOX_TEST_SET\" \"$(pwd -P)\"");
    request.environment.set = {{"LUNEBOX_TEST_SET", "set=with equals"}};
    request.environment.remove = {"LUNEBOX_TEST_REMOVED"};
    request.workingFolder = folder.path().string();
    auto result = runner.run(request);
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(result->standardOutput,
              "kept|unset|set=with equals|" + std::filesystem::canonical(folder.path()).string());

    ::unsetenv("LUNEBOX_TEST_KEPT");
    ::unsetenv("LUNEBOX_TEST_REMOVED");
}

TEST(ProcessEnvironment, removals_and_overrides_apply_to_the_inherited_entries)
{
    const char* base[] = {"PATH=/bin", "HOME=/home/me", "EMPTY=", "junk", "=nameless", nullptr};
    EnvironmentChanges changes;
    changes.set = {{"HOME", "/tmp"}, {"NEW", "1"}};
    changes.remove = {"PATH", "MISSING"};
    EXPECT_EQ(buildEnvironment(base, changes), (std::vector<std::string>{"EMPTY=", "HOME=/tmp", "NEW=1"}));
    changes.inherit = false;
    EXPECT_EQ(buildEnvironment(base, changes), (std::vector<std::string>{"HOME=/tmp", "NEW=1"}));
}

TEST_F(ProcessRunnerTest, standard_input_is_fed_and_a_child_that_stops_reading_does_not_hurt_us)
{
    auto request = shell("cat");
    request.standardInput = "hello\nworld\n";
    auto result = runner.run(request);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->standardOutput, "hello\nworld\n");

    // head reads one byte and exits while megabytes are still to be written.
    request = shell("head -c 1");
    request.standardInput = std::string(8 * 1024 * 1024, 'x');
    result = runner.run(request);
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(result->standardOutput, "x");
    EXPECT_TRUE(result->succeeded());
}

TEST_F(ProcessRunnerTest, output_past_the_cap_is_drained_and_marked_as_cut)
{
    auto request = shell("head -c 3000000 /dev/zero | tr '\\0' o; head -c 500000 /dev/zero >&2; exit 0");
    request.outputCap = 1000;
    request.errorCap = 10;
    auto result = runner.run(request);
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(result->standardOutput, std::string(1000, 'o'));
    EXPECT_TRUE(result->outputTruncated);
    EXPECT_EQ(result->standardError.size(), 10u);
    EXPECT_TRUE(result->errorTruncated);
    EXPECT_TRUE(result->succeeded());
}

TEST_F(ProcessRunnerTest, a_time_out_stops_the_child_and_its_grandchildren)
{
    TemporaryFolder folder;
    auto request = shell("sleep 30 & echo $! > grandchild; sleep 30");
    request.workingFolder = folder.path().string();
    request.timeoutSeconds = 0.5;
    auto start = std::chrono::steady_clock::now();
    auto result = runner.run(request);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, Error::Code::TimedOut);
    EXPECT_LT(secondsSince(start), 5.0);
    pid_t grandchild = readPid(folder / "grandchild");
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(eventually([&] { return processIsGone(grandchild); }));
    EXPECT_TRUE(registry.running().empty());
}

TEST_F(ProcessRunnerTest, a_child_that_leaves_a_background_process_is_not_waited_for)
{
    TemporaryFolder folder;
    auto request = shell("sleep 30 & echo $! > straggler; echo done");
    request.workingFolder = folder.path().string();
    auto start = std::chrono::steady_clock::now();
    auto result = runner.run(request);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->standardOutput, "done\n");
    EXPECT_LT(secondsSince(start), 5.0);
    ::kill(readPid(folder / "straggler"), SIGKILL);
}

TEST_F(ProcessRunnerTest, cancelling_from_another_thread_wakes_the_runner_at_once)
{
    ProcessRequest request;
    request.program = "sleep";  // alone in its group, so stopping it takes no grace
    request.arguments = {"30"};
    CancellationToken token;
    request.cancellation = token;
    std::thread canceller([token] {
        std::this_thread::sleep_for(200ms);
        token.cancel();
    });
    auto start = std::chrono::steady_clock::now();
    auto result = runner.run(request);
    canceller.join();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, Error::Code::Cancelled);
    EXPECT_LT(secondsSince(start), 0.2 + 0.5);

    // An already cancelled token starts nothing.
    EXPECT_EQ(runner.run(request).error().code, Error::Code::Cancelled);
}

TEST_F(ProcessRunnerTest, terminate_all_stops_every_running_child_even_one_ignoring_sigterm_and_refuses_new_ones)
{
    auto obedient = std::async(std::launch::async, [&] { return runner.run(shell("sleep 30")); });
    auto ignoring = std::async(std::launch::async, [&] { return runner.run(shell("trap '' TERM; sleep 30")); });
    ASSERT_TRUE(eventually([&] { return registry.running().size() == 2; }));
    std::this_thread::sleep_for(100ms);  // let the second shell install its trap

    auto start = std::chrono::steady_clock::now();
    registry.terminateAll(0.3);
    auto first = obedient.get();
    auto second = ignoring.get();
    EXPECT_LT(secondsSince(start), 3.0);
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().code, Error::Code::Cancelled);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code, Error::Code::Cancelled);
    EXPECT_TRUE(registry.running().empty());

    EXPECT_EQ(runner.run(shell("true")).error().code, Error::Code::Cancelled);
}
