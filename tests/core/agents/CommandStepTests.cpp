#include "core/agents/CommandStep.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = AgentStepKind;

void expectKind(Kind kind, std::initializer_list<const char*> commands)
{
    for (const char* command : commands)
        EXPECT_EQ(CommandStep::classify(std::string_view(command)).kind, kind) << command;
}

TEST(CommandStep, test_runners_and_test_subcommands_are_tests)
{
    expectKind(Kind::test, {"pytest -q tests/", "jest --watch=false", "npx vitest run", "sudo ctest --output-on-failure",
                            "cargo test -p core", "swift test", "./gradlew check", "pnpm test", "yarn test",
                            "dotnet test", "npx playwright test"});
}

TEST(CommandStep, build_tools_and_build_subcommands_are_builds)
{
    expectKind(Kind::build, {"make -j8", "/usr/bin/make all", "just build", "bazel build //...", "npx vite build",
                             "cargo build --release", "gradle compile", "mvnw package", "swift build -c release",
                             "CC=clang make"});
}

TEST(CommandStep, package_installs_are_installs)
{
    expectKind(Kind::install, {"brew install ripgrep", "sudo apt-get install -y cmake", "pip3 install requests",
                               "poetry install", "yarn install", "pnpm install", "cargo install cargo-nextest"});
    // Other package subcommands are plain commands.
    expectKind(Kind::command, {"brew upgrade", "pip3 list", "yarn add react"});
}

TEST(CommandStep, anything_else_is_a_command_named_by_its_program)
{
    EXPECT_EQ(CommandStep::classify(std::string_view("ls -la src")), (CommandStep{Kind::command, "ls"}));
    EXPECT_EQ(CommandStep::classify(std::string_view("/opt/bin/rg 'a b' src")), (CommandStep{Kind::command, "rg"}));
    EXPECT_EQ(CommandStep::classify(std::string_view("git push origin main")), (CommandStep{Kind::git, "git push"}));
    EXPECT_EQ(CommandStep::classify(std::string_view("git -C app status")), (CommandStep{Kind::git, "git status"}));
    EXPECT_EQ(CommandStep::classify(std::string_view("")), (CommandStep{Kind::command, std::nullopt}));
    EXPECT_EQ(CommandStep::classify(std::string_view("sudo")), (CommandStep{Kind::command, std::nullopt}));
}

TEST(CommandStep, a_chain_is_judged_by_its_first_command_past_a_change_of_folder)
{
    EXPECT_EQ(CommandStep::classify(std::string_view("cd /home/dev/app && npm ci && pytest")).subject, "npm");
    EXPECT_EQ(CommandStep::classify(std::string_view("cd build; FOO=1 make test | tail -5")).kind, Kind::build);
    EXPECT_EQ(CommandStep::classify(std::string_view("cd 'my app'")), (CommandStep{Kind::command, "cd"}));
    // Operators inside quotes are words.
    EXPECT_EQ(CommandStep::classify(std::string_view(R"(echo "a && b" 'c;d' && make)")).subject, "echo");
}

TEST(CommandStep, an_argument_vector_through_a_shell_is_judged_by_its_script)
{
    EXPECT_EQ(CommandStep::classify(std::vector<std::string>{"bash", "-lc", "cd app && cargo test"}).kind, Kind::test);
    EXPECT_EQ(CommandStep::classify(std::vector<std::string>{"/bin/sh", "-c", "make"}).kind, Kind::build);
    EXPECT_EQ(CommandStep::classify(std::vector<std::string>{"rg", "-n", "quietUntil"}), (CommandStep{Kind::command, "rg"}));
    EXPECT_EQ(CommandStep::split(R"(a "b \"c\"" d\ e && f)"),
              (std::vector<std::vector<std::string>>{{"a", R"(b "c")", "d e"}, {"f"}}));
}

}  // namespace
}  // namespace corvane
