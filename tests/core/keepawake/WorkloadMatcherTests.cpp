#include <gtest/gtest.h>

#include "core/keepawake/WorkloadMatcher.h"

using namespace corvane;

namespace {

using Args = std::vector<std::string>;

// The label of the built-in rule the process matches, or "" for none.
std::string matched(std::string_view name, const Args& argv, double cpu = 50)
{
    auto workload = WorkloadMatcher::match(4242, name, argv, cpu, WorkloadMatcher::defaultRules());
    return workload ? workload->label : "";
}

}  // namespace

TEST(WorkloadMatcher, recognises_agents_however_they_were_started)
{
    // Titled by the tool itself, started through env, a version-managed install, a Python tool.
    EXPECT_EQ(matched("claude", {"claude"}), "claude");
    EXPECT_EQ(matched("node", {"node", "/home/dev/.npm-global/bin/codex", "--model", "o3"}), "codex");
    EXPECT_EQ(matched("2.1.0", {"/home/dev/.local/share/claude/versions/2.1.0", "--resume"}), "claude");
    EXPECT_EQ(matched("node", {"node", "/home/dev/.local/share/claude/versions/2.1.0"}), "claude");
    EXPECT_EQ(matched("python3.11", {"/usr/bin/python3.11", "/home/dev/.local/bin/aider", "--model", "sonnet"}), "aider");
    EXPECT_EQ(matched("ollama", {"/usr/local/bin/ollama", "serve"}, 0), "ollama");
    EXPECT_EQ(matched("Cursor-Agent", {"Cursor-Agent"}), "cursor-agent");
    // Of the further arguments only the first that is not an option counts.
    EXPECT_EQ(matched("python3", {"python3", "-u", "-m", "goose"}), "goose");
    EXPECT_EQ(matched("python3", {"python3", "-u", "serve.py", "goose"}), "");
}

TEST(WorkloadMatcher, version_folders_give_the_tool_name_as_a_candidate)
{
    auto names = WorkloadMatcher::candidateNames("2.1.0", {"/opt/x", "/home/dev/.local/share/claude/versions/2.1.0"});
    EXPECT_EQ(names, (std::vector<std::string>{"2.1.0", "x", "2.1.0", "claude"}));
    // Deeper than three components from the end, "versions" is just a folder.
    names = WorkloadMatcher::candidateNames("tool", {"/srv/versions/a/b/tool"});
    EXPECT_EQ(names, (std::vector<std::string>{"tool", "tool"}));
}

TEST(WorkloadMatcher, a_browser_native_messaging_host_is_no_agent_work)
{
    EXPECT_EQ(matched("claude", {"/home/dev/.local/bin/claude", "--chrome-native-host"}), "");
    // Other rules still apply to the same process.
    WorkloadRule custom{WorkloadKind::custom, "native-host", 0};
    auto workload = WorkloadMatcher::match(7, "claude", {"claude", "--chrome-native-host"}, -1, {custom});
    ASSERT_TRUE(workload);
    EXPECT_EQ(workload->kind, WorkloadKind::custom);
}

TEST(WorkloadMatcher, builds_need_their_cpu_and_whole_names)
{
    EXPECT_EQ(matched("cargo", {"cargo", "build", "--release"}, 4.9), "");
    EXPECT_EQ(matched("cargo", {"cargo", "build", "--release"}, 5.0), "cargo");
    EXPECT_EQ(matched("cargo", {"cargo", "build"}, -1), "");  // first sight: CPU not known yet
    EXPECT_EQ(matched("cmake", {"/usr/bin/cmake", "--build", "build"}), "cmake");
    EXPECT_EQ(matched("cmake-gui", {"cmake-gui"}), "");
    EXPECT_FALSE(WorkloadMatcher::match(3, "cmake", {"/usr/bin/cmake", "--build", "."}, 90,
                                        {{WorkloadKind::build, "make", 5}}));
    EXPECT_EQ(matched("makeinfo", {"makeinfo", "doc.texi"}), "");
    EXPECT_EQ(matched("go", {"go", "build", "./..."}), "go");
    EXPECT_EQ(matched("ninja", {"ninja", "-C", "build/keepawake"}), "ninja");
}

TEST(WorkloadMatcher, phrases_match_within_the_whole_command_line)
{
    // A tool that titles itself shows its command as one argument.
    EXPECT_EQ(matched("npm run build", {"npm run build --watch"}), "npm run build");
    EXPECT_EQ(matched("npm", {"npm", "run", "build", "--watch"}), "npm run build");
    EXPECT_EQ(matched("npm", {"npm", "run", "dev"}), "");
    EXPECT_EQ(matched("docker", {"docker", "BuildX", "bake"}), "docker build");
    EXPECT_EQ(matched("pnpm", {"pnpm", "build"}), "pnpm build");
}

TEST(WorkloadMatcher, user_rules_follow_the_built_in_ones_and_bad_ones_never_match)
{
    std::vector<WorkloadRule> rules = WorkloadMatcher::defaultRules();
    rules.push_back({WorkloadKind::custom, "Render.py", 0});
    rules.push_back({WorkloadKind::build, "  ", 0});
    rules.push_back({WorkloadKind::custom, "bad\tmatch", 0});
    rules.push_back({WorkloadKind::agent, "my-agent", 20});

    auto render = WorkloadMatcher::match(9, "python3", {"python3", "tools/render.py", "--all"}, -1, rules);
    ASSERT_TRUE(render);
    EXPECT_EQ(*render, (Workload{9, "Render.py", WorkloadKind::custom, std::nullopt, std::nullopt}));
    EXPECT_FALSE(WorkloadMatcher::match(9, "sh", {"sh", "-c", "bad\tmatch"}, 100, rules));
    EXPECT_FALSE(WorkloadMatcher::match(9, "my-agent", {"my-agent"}, 19.9, rules));
    EXPECT_TRUE(WorkloadMatcher::match(9, "my-agent", {"my-agent"}, 20, rules));
}

TEST(WorkloadMatcher, only_names_that_can_match_are_worth_a_closer_look)
{
    const auto& rules = WorkloadMatcher::defaultRules();
    for (const char* name : {"claude", "CARGO", "python3.12", "2.1.0", "2.1.0-beta", "node", "npm", "npm run build"})
        EXPECT_TRUE(WorkloadMatcher::worthExamining(name, rules)) << name;
    for (const char* name : {"bash", "sleep", "2.1", "firefox", "kworker/0:1"})
        EXPECT_FALSE(WorkloadMatcher::worthExamining(name, rules)) << name;
    // A phrase of the user's may appear in any command line.
    EXPECT_TRUE(WorkloadMatcher::worthExamining("bash", {{WorkloadKind::custom, "render", 0}}));
}
