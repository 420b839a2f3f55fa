#include "core/agents/TranscriptCatalog.h"

#include <fstream>

#include <gtest/gtest.h>

#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

fs::path touch(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "{}\n";
    return path;
}

std::vector<std::string> relativePaths(const std::vector<TranscriptFile>& files, const fs::path& base)
{
    std::vector<std::string> out;
    for (const auto& file : files)
        out.push_back(std::string(rawValue(file.agent)) + ":" + file.path.lexically_relative(base).string());
    return out;
}

TEST(TranscriptCatalog, roots_come_from_the_environment_else_the_home_folder)
{
    TemporaryFolder folder;
    fs::path base = TranscriptCatalog::canonical(folder.path());
    fs::create_directories(base / "claude-config" / "projects");
    fs::create_directory_symlink(base / "claude-config", base / "linked");

    auto roots = TranscriptCatalog::defaultRoots({{"HOME", base.string()},
                                                  {"CLAUDE_CONFIG_DIR", (base / "linked").string()}});
    EXPECT_EQ(roots.claude, base / "claude-config" / "projects");
    EXPECT_EQ(roots.codex, base / ".codex" / "sessions");

    auto fallback = TranscriptCatalog::defaultRoots({{"HOME", base.string()}, {"CODEX_HOME", "/nowhere/codex"}});
    EXPECT_EQ(fallback.claude, base / ".claude" / "projects");
    EXPECT_EQ(fallback.codex, fs::path("/nowhere/codex/sessions"));
}

TEST(TranscriptCatalog, the_walk_lists_claude_then_codex_within_depth_skipping_hidden_and_other_files)
{
    TemporaryFolder folder;
    fs::path base = TranscriptCatalog::canonical(folder.path());
    TranscriptRoots roots{base / "claude", base / "codex"};
    touch(roots.claude / "-p" / "s1.jsonl");
    touch(roots.claude / "-p" / "s1" / "subagents" / "agent-a.jsonl");
    touch(roots.claude / "-p" / "notes.jsonl.bak");
    touch(roots.claude / "-p" / "upper.JSONL");
    touch(roots.claude / ".hidden" / "h.jsonl");
    touch(roots.claude / "-p" / ".h.jsonl");
    // Files up to one level below the deepest folder entered are found.
    touch(roots.claude / "1/2/3/4/5/6/7/8/deep.jsonl");
    touch(roots.claude / "1/2/3/4/5/6/7/8/9/deeper.jsonl");
    touch(roots.codex / "2026/12/06/rollout.jsonl");
    touch(roots.codex / "a/b/c/d/e/edge.jsonl");
    touch(roots.codex / "a/b/c/d/e/f/too-deep.jsonl");
    fs::create_directories(roots.claude / "-p" / "folder.jsonl");

    EXPECT_EQ(relativePaths(TranscriptCatalog::find(roots), base),
              (std::vector<std::string>{
                  "claudeCode:claude/-p/s1/subagents/agent-a.jsonl",
                  "claudeCode:claude/-p/s1.jsonl",
                  "claudeCode:claude/1/2/3/4/5/6/7/8/deep.jsonl",
                  "codex:codex/2026/12/06/rollout.jsonl",
                  "codex:codex/a/b/c/d/e/edge.jsonl",
              }));
}

TEST(TranscriptCatalog, link_loops_broken_links_and_unopenable_folders_do_not_stop_the_walk)
{
    TemporaryFolder folder;
    fs::path base = TranscriptCatalog::canonical(folder.path());
    TranscriptRoots roots{base / "claude", base / "codex-is-a-file"};
    touch(roots.claude / "-p" / "s.jsonl");
    fs::create_directory_symlink(roots.claude, roots.claude / "-p" / "loop");
    fs::create_symlink(base / "gone", roots.claude / "-p" / "broken.jsonl");
    touch(base / "elsewhere" / "linked.jsonl");
    fs::create_directory_symlink(base / "elsewhere", roots.claude / "-q");
    std::ofstream(roots.codex) << "not a folder";

    EXPECT_EQ(relativePaths(TranscriptCatalog::find(roots), base),
              (std::vector<std::string>{"claudeCode:claude/-p/s.jsonl", "claudeCode:elsewhere/linked.jsonl"}));
}

TEST(TranscriptCatalog, session_ids_come_from_the_file_name_and_subagents_use_their_parent)
{
    EXPECT_EQ(TranscriptCatalog::sessionID("/r/projects/-p/abc-123.jsonl"), "abc-123");
    EXPECT_EQ(TranscriptCatalog::sessionID("/r/projects/-p/abc-123/subagents/agent-x.jsonl"), "abc-123");
    EXPECT_EQ(TranscriptCatalog::sessionID("/r/projects/-p/sess/agent.jsonl"), "sess");
    EXPECT_EQ(TranscriptCatalog::sessionID("/r/" + std::string(100, 'e') + ".jsonl"), std::string(80, 'e'));
}

TEST(TranscriptCatalog, an_encoded_project_name_resolves_to_the_longest_matching_real_folder)
{
    TemporaryFolder folder;
    fs::path base = TranscriptCatalog::canonical(folder.path());
    fs::create_directories(base / "Users" / "me" / "my");
    fs::create_directories(base / "Users" / "me" / "my-app");
    fs::create_directories(base / "Users" / "me" / "dotted.site");
    TranscriptProjectResolver resolver(base);

    EXPECT_EQ(resolver.projectPath("-Users-me-my-app"), base / "Users" / "me" / "my-app");
    EXPECT_EQ(resolver.projectPath("-Users-me-dotted-site"), base / "Users" / "me" / "dotted.site");
    EXPECT_EQ(resolver.projectPath("Users-me-my"), std::nullopt);
    EXPECT_EQ(resolver.projectPath("-" + std::string(512, 'a')), std::nullopt);

    auto project = TranscriptCatalog::project("/h/.claude/projects/-Users-me-my-app/s.jsonl", resolver);
    EXPECT_EQ(project.name, "my-app");
    EXPECT_EQ(project.folder, base / "Users" / "me" / "my-app");
    EXPECT_EQ(resolver.knownProjectPaths(),
              (std::vector<fs::path>{base / "Users" / "me" / "dotted.site", base / "Users" / "me" / "my-app"}));
}

TEST(TranscriptCatalog, an_unresolved_project_takes_the_last_piece_of_its_name_and_the_failure_is_remembered)
{
    TemporaryFolder folder;
    fs::path base = TranscriptCatalog::canonical(folder.path());
    TranscriptProjectResolver resolver(base);

    auto project = TranscriptCatalog::project("/h/.claude/projects/-Users-me-my-app/sub/s.jsonl", resolver);
    EXPECT_EQ(project, (TranscriptProject{"app", std::nullopt}));
    EXPECT_EQ(TranscriptCatalog::project("/elsewhere/-x-tool-/s.jsonl", resolver).name, "tool");
    EXPECT_EQ(TranscriptCatalog::project("/h/projects/---/s.jsonl", resolver), TranscriptProject{});

    fs::create_directories(base / "Users" / "me" / "my-app");
    EXPECT_EQ(resolver.projectPath("-Users-me-my-app"), std::nullopt);
    EXPECT_TRUE(resolver.knownProjectPaths().empty());
}

TEST(TranscriptCatalog, the_project_search_goes_no_deeper_than_47_folders)
{
    TemporaryFolder folder;
    fs::path base = TranscriptCatalog::canonical(folder.path());
    fs::path deep = base;
    std::string name;
    for (int level = 1; level <= 48; ++level) {
        deep /= "a";
        name += "-a";
        fs::create_directory(deep);
        if (level == 47) {
            EXPECT_EQ(TranscriptProjectResolver(base).projectPath(name), deep);
        }
    }
    EXPECT_EQ(TranscriptProjectResolver(base).projectPath(name), std::nullopt);
}

}  // namespace
}  // namespace corvane
