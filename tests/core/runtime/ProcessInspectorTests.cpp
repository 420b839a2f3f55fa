// The /proc readers against real child processes, and the parsers of the
// kernel's stat line and argument blocks.

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include <unistd.h>

#include "core/runtime/ProcessInspector.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;
using corvane::testing::ChildProcess;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

std::uint64_t microsecondsNow()
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

bool containsPID(const std::vector<ProcessInspector::NamedPID>& found, ProcessInspector::NamedPID wanted)
{
    return std::find(found.begin(), found.end(), wanted) != found.end();
}

}  // namespace

TEST(ProcStat, reads_the_fields_after_a_name_with_spaces_and_parentheses)
{
    auto stat = ProcStat::parse("4321 (my (odd) name) S 1 4300 4300 0 -1 4194560 120 0 0 0 25 13 0 0 20 0 1 0 98765 "
                                "5000 300 18446744073709551615\n");
    ASSERT_TRUE(stat);
    EXPECT_EQ(*stat, (ProcStat{"my (odd) name", 'S', 1, 4300, 25, 13, 98765}));
    EXPECT_FALSE(ProcStat::parse("4321 (cut) S 1 4300"));
    EXPECT_FALSE(ProcStat::parse("no parentheses at all"));
}

TEST(ProcessArgs, arguments_are_split_at_nul_repaired_and_refused_past_the_argument_limit)
{
    using namespace std::string_literals;
    EXPECT_EQ(ProcessArgs::parseArguments("node\0server.js\0\0--port\0"s),
              (std::vector<std::string>{"node", "server.js", "", "--port"}));
    EXPECT_EQ(ProcessArgs::parseArguments("cut-at-the-cap"), std::vector<std::string>{"cut-at-the-cap"});
    EXPECT_EQ(ProcessArgs::parseArguments("next-server (v14.2.3)\0\0\0\0"s),
              std::vector<std::string>{"next-server (v14.2.3)"});
    EXPECT_EQ(ProcessArgs::parseArguments("caf\xE9\0"s), std::vector<std::string>{"caf\xEF\xBF\xBD"});
    EXPECT_TRUE(ProcessArgs::parseArguments("").empty());

    std::string many;
    for (std::size_t i = 0; i < ProcessArgs::maxArguments; ++i)
        many += "x"s + '\0';
    EXPECT_EQ(ProcessArgs::parseArguments(many).size(), ProcessArgs::maxArguments);
    EXPECT_TRUE(ProcessArgs::parseArguments(many + "one too many"s + '\0').empty());

    std::string huge(ProcessArgs::maxBlockBytes + 100, 'a');
    EXPECT_EQ(ProcessArgs::parseArguments(huge).front().size(), ProcessArgs::maxBlockBytes);
}

TEST(ProcessArgs, environment_keeps_the_first_value_skips_malformed_entries_and_ends_at_an_empty_string)
{
    using namespace std::string_literals;
    auto environment = ProcessArgs::parseEnvironment("A=1\0NOVALUE\0=x\0A=2\0C=3=4\0EMPTY=\0\0AFTER=5\0"s);
    std::map<std::string, std::string> expected{{"A", "1"}, {"C", "3=4"}, {"EMPTY", ""}};
    EXPECT_EQ(environment, expected);
}

TEST(ProcessInspector, describes_a_running_child_and_nothing_once_it_is_gone)
{
    TemporaryFolder folder;
    auto before = microsecondsNow();
    ChildProcess child({"/bin/sleep", "30"}, {"LUNEBOX_PROBE=yes", "LUNEBOX_PROBE=no"}, folder.path());
    auto after = microsecondsNow();
    ASSERT_GT(child.pid(), 0);

    auto identity = ProcessInspector::identity(child.pid());
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->pid, child.pid());
    EXPECT_EQ(fs::path(identity->path).filename(), "sleep");
    // The boot time counts whole seconds and the start ticks hundredths.
    EXPECT_GE(identity->startTime + 2'000'000, before);
    EXPECT_LE(identity->startTime, after + 2'000'000);
    EXPECT_EQ(ProcessInspector::identity(child.pid()), identity) << "stable between reads";

    auto snapshot = ProcessInspector::snapshot(child.pid(), true);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->identity, *identity);
    EXPECT_EQ(snapshot->name, "sleep");
    EXPECT_EQ(snapshot->uid, ::geteuid());
    EXPECT_EQ(snapshot->ppid, ::getpid());
    EXPECT_EQ(snapshot->cwd, fs::canonical(folder.path()).string());
    EXPECT_EQ(snapshot->argv, (std::vector<std::string>{"/bin/sleep", "30"}));
    EXPECT_TRUE(ProcessInspector::snapshot(child.pid(), false)->argv.empty());

    auto args = ProcessInspector::argumentsAndEnvironment(child.pid());
    ASSERT_TRUE(args);
    EXPECT_EQ(args->environment, (std::map<std::string, std::string>{{"LUNEBOX_PROBE", "yes"}}));
    EXPECT_EQ(ProcessInspector::processGroup(child.pid()), ::getpgrp());
    EXPECT_EQ(ProcessInspector::owner(child.pid()), ::geteuid());
    EXPECT_TRUE(ProcessInspector::isAlive(child.pid()));
    EXPECT_TRUE(containsPID(ProcessInspector::pids({"sleep"}), {child.pid(), "sleep"}));
    auto all = ProcessInspector::allPIDs();
    EXPECT_NE(std::find(all.begin(), all.end(), child.pid()), all.end());

    pid_t gone = child.pid();
    child.stop();
    EXPECT_FALSE(ProcessInspector::isAlive(gone));
    EXPECT_FALSE(ProcessInspector::identity(gone));
    EXPECT_FALSE(ProcessInspector::snapshot(gone, true));
    EXPECT_TRUE(ProcessInspector::arguments(gone).empty());

    for (std::int32_t invalid : {0, -1}) {
        EXPECT_FALSE(ProcessInspector::identity(invalid));
        EXPECT_FALSE(ProcessInspector::cwd(invalid));
        EXPECT_FALSE(ProcessInspector::isAlive(invalid));
    }
}

TEST(ProcessInspector, a_program_named_by_its_version_counts_only_in_the_given_folder)
{
    TemporaryFolder folder;
    fs::create_directories(folder / "versions");
    fs::copy_file("/bin/sleep", folder / "versions" / "2.1.3");
    ChildProcess versioned({(folder / "versions" / "2.1.3").string(), "30"}, {}, folder.path());
    ASSERT_GT(versioned.pid(), 0);

    EXPECT_TRUE(containsPID(ProcessInspector::pids({"claude"}, folder / "versions", "claude"),
                            {versioned.pid(), "claude"}));
    auto elsewhere = ProcessInspector::pids({"claude"}, folder.path(), "claude");
    EXPECT_FALSE(containsPID(elsewhere, {versioned.pid(), "claude"}));
    EXPECT_FALSE(containsPID(ProcessInspector::pids({"claude"}), {versioned.pid(), "claude"}));
}

TEST(ProcessInspector, the_name_is_the_executable_file_even_after_it_was_replaced)
{
    EXPECT_EQ(ProcessInspector::displayName("/usr/bin/node", "next-server (v1"), "node");
    EXPECT_EQ(ProcessInspector::displayName("/home/me/.nvm/bin/node (deleted)", "node"), "node");
    EXPECT_EQ(ProcessInspector::displayName("", "kworker"), "kworker");
}
