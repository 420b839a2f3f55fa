// Real development servers started by the test (Python's http.server and a
// small Node server) in project folders of their own, found by a scan.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include <unistd.h>

#include "core/runtime/DevServerScanner.h"
#include "core/runtime/ProjectInfo.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;
using corvane::testing::ChildProcess;
using corvane::testing::portIn;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

const char* const python = "/usr/bin/python3";
const char* const node = "/usr/bin/node";

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

const DevServer* serverOf(const ScanResult& result, pid_t pid)
{
    for (const DevServer& server : result.servers) {
        if (server.listener.pid == pid)
            return &server;
    }
    return nullptr;
}

const PortRow* rowOf(const ScanResult& result, pid_t pid)
{
    for (const PortRow& row : result.ports) {
        if (row.listener.pid == pid)
            return &row;
    }
    return nullptr;
}

// A Node server that names itself like Next.js does and can keep a core busy.
std::unique_ptr<ChildProcess> startNode(const fs::path& folder, bool busy, int& port)
{
    std::string script = "process.title = 'next-server (v14.2.3)';"
                         "const s = require('http').createServer();"
                         "s.listen(0, '127.0.0.1', () => console.log('port ' + s.address().port));";
    if (busy)
        script += "setInterval(() => { const t = Date.now(); while (Date.now() - t < 40); }, 50);";
    auto child = std::make_unique<ChildProcess>(std::vector<std::string>{node, "-e", script},
                                                std::vector<std::string>{}, folder);
    auto line = child->lineContaining("port ");
    port = line ? portIn(*line) : 0;
    return child;
}

}  // namespace

TEST(DevServerScanner, finds_a_python_server_with_its_framework_project_and_port)
{
    if (::access(python, X_OK) != 0)
        GTEST_SKIP() << "no " << python;
    TemporaryFolder folder;
    fs::path project = folder / "shop";
    writeFile(project / "package.json", R"({"name": "shop", "devDependencies": {"vite": "^5.0.0"}})");
    ChildProcess child({python, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, {}, project);
    auto line = child.lineContaining("port ");
    ASSERT_TRUE(line) << "the server did not start";
    int port = portIn(*line);

    DevServerScanner scanner;
    auto result = scanner.scan({}, false);
    const DevServer* found = serverOf(result, child.pid());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->listener, (Listener{child.pid(), port, ListenAddress::loopback, IPFamily::ipv4}));
    EXPECT_EQ(found->runtime, Runtime::python);
    EXPECT_EQ(found->framework, Framework::vite);
    EXPECT_EQ(found->project, "shop");
    EXPECT_EQ(found->cwd, fs::canonical(project).string());
    EXPECT_TRUE(found->name.starts_with("python3")) << found->name;
    EXPECT_EQ(found->command, std::string(python) + " -u -m http.server 0 --bind");
    EXPECT_EQ(found->pgid, ::getpgrp());
    EXPECT_EQ(found->identity, ProcessInspector::identity(child.pid()));
    EXPECT_EQ(found->category, DevServerClassifier::category(port, found->name));
    EXPECT_TRUE(result.loads.empty());

    const PortRow* row = rowOf(result, child.pid());
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->isDevServer);
    EXPECT_TRUE(row->own);
    EXPECT_EQ(row->identity, found->identity);

    // The one-off answer of the status command finds the same server.
    auto servers = DevServerScanner().servers();
    EXPECT_NE(std::find(servers.begin(), servers.end(), *found), servers.end());

    // The cached entry serves the next scan; an ignored port gives neither server nor row.
    EXPECT_GE(scanner.cachedProcessCount(), 1);
    auto again = scanner.scan({}, false);
    ASSERT_NE(serverOf(again, child.pid()), nullptr);
    EXPECT_EQ(*serverOf(again, child.pid()), *found);
    auto ignoring = scanner.scan({port}, false);
    EXPECT_EQ(serverOf(ignoring, child.pid()), nullptr);
    EXPECT_EQ(rowOf(ignoring, child.pid()), nullptr);

    child.stop();
    EXPECT_EQ(serverOf(scanner.scan({}, false), child.pid()), nullptr);
}

TEST(DevServerScanner, a_node_server_that_renamed_itself_is_still_node_and_its_project_names_the_framework)
{
    if (::access(node, X_OK) != 0)
        GTEST_SKIP() << "no " << node;
    TemporaryFolder folder;
    writeFile(folder / "web" / "package.json", R"({"dependencies": {"next": "14.2.3", "react": "18"}})");
    int port = 0;
    auto child = startNode(folder / "web", false, port);
    ASSERT_GT(port, 0);

    DevServerScanner scanner;
    auto result = scanner.scan({}, false);
    const DevServer* found = serverOf(result, child->pid());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, "node");
    EXPECT_EQ(found->runtime, Runtime::node);
    EXPECT_EQ(found->framework, Framework::nextjs);
    EXPECT_EQ(found->project, "web");
    EXPECT_EQ(found->listener.port, port);
}

TEST(DevServerScanner, cpu_is_measured_between_scans_and_starts_over_after_a_scan_without_loads)
{
    if (::access(node, X_OK) != 0)
        GTEST_SKIP() << "no " << node;
    TemporaryFolder folder;
    int port = 0;
    auto child = startNode(folder.path(), true, port);
    ASSERT_GT(port, 0);

    DevServerScanner scanner;
    auto first = scanner.scan({}, true);
    ASSERT_TRUE(first.loads.contains(child->pid()));
    EXPECT_EQ(first.loads[child->pid()].cpu, 0);
    EXPECT_GT(first.loads[child->pid()].memory, 0u);
    EXPECT_EQ(first.loads[child->pid()].memory % (1 << 20), 0u);

    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    auto second = scanner.scan({}, true);
    EXPECT_GT(second.loads[child->pid()].cpu, 5) << "a loop busy 80% of the time, on a machine that may be busy too";
    EXPECT_EQ(second.loads[child->pid()].cpu, std::round(second.loads[child->pid()].cpu));

    EXPECT_TRUE(scanner.scan({}, false).loads.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(scanner.scan({}, true).loads[child->pid()].cpu, 0);
}

TEST(ProjectInfo, reads_dependencies_within_the_cap_and_marker_files)
{
    TemporaryFolder folder;
    writeFile(folder / "package.json", R"({"dependencies": {"express": "4"}, "devDependencies": {"vite": "5"},)"
                                       R"( "peerDependencies": {"x": "1"}})");
    writeFile(folder / "manage.py", "");
    writeFile(folder / "Gemfile", "");
    auto info = ProjectInfo::read(folder.path().string());
    EXPECT_EQ(info.dependencies, (std::set<std::string>{"express", "vite"}));
    EXPECT_EQ(info.files, (std::set<std::string>{"Gemfile", "manage.py"}));

    std::string padded = R"({"dependencies": {"next": "14"}, "pad": ")" + std::string(ProjectInfo::maxPackageBytes, ' ')
        + "\"}";
    writeFile(folder / "package.json", padded);
    EXPECT_TRUE(ProjectInfo::read(folder.path().string()).dependencies.empty());
    EXPECT_TRUE(ProjectInfo::packageDependencies("[\"next\"]").empty());
    EXPECT_TRUE(ProjectInfo::packageDependencies("{\"dependencies\": [\"next\"]}").empty());
    EXPECT_TRUE(ProjectInfo::packageDependencies("{not json").empty());

    EXPECT_EQ(ProjectInfo::projectName("/home/dev/src/shop/", "/home/dev"), "shop");
    EXPECT_EQ(ProjectInfo::projectName("/home/dev", "/home/dev/"), std::nullopt);
    EXPECT_EQ(ProjectInfo::projectName("/", "/home/dev"), std::nullopt);
    EXPECT_EQ(ProjectInfo::projectName(std::nullopt, "/home/dev"), std::nullopt);
}
