// Real processes: the tools are stood in for by symbolic links named like
// them (the kernel names a process after the file it was started from).

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include <unistd.h>

#include "core/keepawake/WorkloadMatcher.h"
#include "core/keepawake/WorkloadScanner.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;
using corvane::testing::ChildProcess;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

struct WorkloadScannerTest : ::testing::Test {
    TemporaryFolder folder;
    SystemClock clock;
    const std::vector<WorkloadRule>& rules = WorkloadMatcher::defaultRules();

    // A link at `relative` to `target`, made with its folders.
    std::string tool(const std::string& relative, const char* target)
    {
        fs::path link = folder / relative;
        fs::create_directories(link.parent_path());
        fs::create_symlink(target, link);
        return link.string();
    }

    static const Workload* find(const std::vector<Workload>& found, pid_t pid)
    {
        for (const Workload& workload : found) {
            if (workload.pid == pid)
                return &workload;
        }
        return nullptr;
    }

    // Scans until the process shows up as a workload, for at most `seconds`.
    static const Workload* waitFor(WorkloadScanner& scanner, const std::vector<WorkloadRule>& rules, pid_t pid,
                                   std::vector<Workload>& found, double seconds = 10)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            found = scanner.scan(rules);
            if (const Workload* workload = find(found, pid))
                return workload;
        } while (std::chrono::steady_clock::now() < deadline);
        return nullptr;
    }
};

}  // namespace

TEST_F(WorkloadScannerTest, finds_agents_with_their_folder_and_start_time)
{
    fs::path project = folder / "project";
    fs::create_directories(project);
    ChildProcess claude({tool("bin/claude", "/bin/sleep"), "30"}, {}, project);
    ChildProcess versioned({tool("share/codex/versions/0.46.0", "/bin/sleep"), "30"}, {}, folder.path());
    ASSERT_GT(claude.pid(), 0);
    ASSERT_GT(versioned.pid(), 0);
    double before = clock.now().unixSeconds();

    WorkloadScanner scanner(clock, ::getuid());
    std::vector<Workload> found;
    const Workload* agent = waitFor(scanner, rules, claude.pid(), found);
    ASSERT_NE(agent, nullptr);
    EXPECT_EQ(agent->label, "claude");
    EXPECT_EQ(agent->kind, WorkloadKind::agent);
    EXPECT_EQ(agent->cwd, fs::canonical(project).string());
    ASSERT_TRUE(agent->started);
    EXPECT_NEAR(agent->started->unixSeconds(), before, 5);

    const Workload* codex = find(found, versioned.pid());
    ASSERT_NE(codex, nullptr);
    EXPECT_EQ(codex->label, "codex");
    EXPECT_TRUE(codex->cwd);
}

TEST_F(WorkloadScannerTest, a_build_counts_once_it_uses_the_processor)
{
    ChildProcess busy({tool("bin/cargo", "/bin/sh"), "-c", "while :; do :; done"}, {}, folder.path());
    ChildProcess idle({tool("bin/make", "/bin/sleep"), "30"}, {}, folder.path());
    ASSERT_GT(busy.pid(), 0);

    WorkloadScanner scanner(clock, ::getuid());
    // Its CPU use is unknown at first sight.
    EXPECT_EQ(find(scanner.scan(rules), busy.pid()), nullptr);
    std::vector<Workload> found;
    const Workload* build = waitFor(scanner, rules, busy.pid(), found);
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(*build, (Workload{busy.pid(), "cargo", WorkloadKind::build, std::nullopt, std::nullopt}));
    EXPECT_EQ(find(found, idle.pid()), nullptr);

    busy.stop();
    EXPECT_EQ(find(scanner.scan(rules), busy.pid()), nullptr);
}

TEST_F(WorkloadScannerTest, skips_native_hosts_and_other_users_processes)
{
    ChildProcess host({tool("bin/claude", "/bin/sh"), "-c", "while :; do sleep 1; done", "--chrome-native-host"}, {},
                      folder.path());
    ChildProcess agent({tool("other/claude", "/bin/sleep"), "30"}, {}, folder.path());
    ASSERT_GT(host.pid(), 0);

    WorkloadScanner mine(clock, ::getuid());
    std::vector<Workload> found;
    ASSERT_NE(waitFor(mine, rules, agent.pid(), found), nullptr);
    EXPECT_EQ(find(found, host.pid()), nullptr);

    WorkloadScanner someoneElse(clock, ::getuid() + 1);
    EXPECT_EQ(find(someoneElse.scan(rules), agent.pid()), nullptr);
}

TEST_F(WorkloadScannerTest, user_phrases_find_processes_of_any_name)
{
    ChildProcess renderer({"/bin/sh", "-c", "while :; do sleep 1; done", "render-farm"}, {}, folder.path());
    std::vector<WorkloadRule> withMine = rules;
    withMine.push_back({WorkloadKind::custom, "Render-Farm", 0});

    WorkloadScanner scanner(clock, ::getuid());
    std::vector<Workload> found;
    const Workload* custom = waitFor(scanner, withMine, renderer.pid(), found);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->label, "Render-Farm");
    EXPECT_EQ(find(scanner.scan(rules), renderer.pid()), nullptr);
}
