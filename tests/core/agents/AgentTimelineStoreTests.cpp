#include "core/agents/AgentTimelineStore.h"

#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const WallTime t0 = WallTime::fromUnixSeconds(1772356500);

void write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(AgentTimelineStore, a_saved_timeline_loads_back_the_same_with_mode_0600)
{
    testing::TemporaryFolder folder;
    AgentTimeline timeline;
    (void)timeline.record({.id = "s1", .agent = "Claude Code", .project = "lunebox", .app = "kitty",
                           .state = AgentTimeline::State::working, .at = t0, .tty = "/dev/pts/3",
                           .branch = "main", .path = "/home/dev/.claude/projects/x/s1.jsonl"});
    (void)timeline.record({.id = "s1", .agent = "Claude Code", .project = "lunebox",
                           .state = AgentTimeline::State::finished, .at = t0.plusSeconds(75.5)});
    (void)timeline.record({.id = "c1", .agent = "Codex", .project = "docs", .state = AgentTimeline::State::needsYou,
                           .at = t0.plusSeconds(5)});

    AgentTimelineStore store(folder.path());
    ASSERT_TRUE(store.save(timeline).ok());
    struct stat info {};
    ASSERT_EQ(::stat(store.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    auto loaded = AgentTimelineStore(folder.path()).load(t0, Calendar::utc());
    EXPECT_EQ(loaded.state, JsonStoreFile::State::Parsed);
    EXPECT_EQ(loaded.timeline, timeline);
}

TEST(AgentTimelineStore, a_file_that_does_not_decode_is_moved_aside_and_the_timeline_starts_empty)
{
    for (std::string content : {R"({"sessions": )", R"({"sessions": {"id": "s1"}})", R"([1, 2])"}) {
        testing::TemporaryFolder folder;
        AgentTimelineStore store(folder.path());
        write(store.path(), content);
        auto loaded = store.load(t0, Calendar::utc());
        EXPECT_TRUE(loaded.corrupt()) << content;
        EXPECT_TRUE(loaded.timeline.sessions().empty());
        ASSERT_TRUE(loaded.quarantinedTo) << content;
        EXPECT_EQ(loaded.quarantinedTo->filename(), "agent-sessions.json.corrupt-20260301-091500");
        EXPECT_FALSE(fs::exists(store.path()));
        EXPECT_TRUE(store.save(AgentTimeline()).ok());
    }
}

TEST(AgentTimelineStore, sessions_and_steps_that_do_not_decode_are_dropped_one_by_one)
{
    testing::TemporaryFolder folder;
    AgentTimelineStore store(folder.path());
    write(store.path(), R"({"sessions":[
        {"id":"ok","agent":"Codex","project":"p","steps":[{"state":"working","at":794049300},
                                                         {"state":"sleeping","at":794049301},
                                                         {"state":"finished","at":"soon"}]},
        {"id":"no-steps","agent":"Codex","project":"p","steps":[]},
        {"agent":"Codex","project":"p","steps":[{"state":"working","at":1}]},
        "junk"]})");
    auto loaded = store.load(t0, Calendar::utc());
    EXPECT_EQ(loaded.state, JsonStoreFile::State::Parsed);
    ASSERT_EQ(loaded.timeline.sessions().size(), 1u);
    EXPECT_EQ(loaded.timeline.sessions().front().steps,
              (std::vector{AgentTimeline::Step{AgentTimeline::State::working, WallTime::fromReferenceSeconds(794049300)}}));
}

TEST(AgentTimelineStore, an_unreadable_file_is_never_overwritten)
{
    testing::TemporaryFolder folder;
    AgentTimelineStore store(folder.path());
    // A folder under the store's name cannot be read, by root either.
    fs::create_directory(store.path());
    auto loaded = store.load(t0, Calendar::utc());
    EXPECT_EQ(loaded.state, JsonStoreFile::State::Unreadable);
    EXPECT_FALSE(store.save(AgentTimeline()).ok());
}

}  // namespace
}  // namespace corvane
