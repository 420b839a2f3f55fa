#include "core/agents/AgentTimeline.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using State = AgentTimeline::State;
using Source = AgentTimeline::Source;

const WallTime t0 = WallTime::fromUnixSeconds(1772356500);

AgentTimeline::Entry entry(std::string id, State state, WallTime at, Source source = Source::hook,
                           bool hooksAuthoritative = false)
{
    return {.id = std::move(id), .agent = "Claude Code", .project = "lunebox", .state = state, .at = at,
            .source = source, .hooksAuthoritative = hooksAuthoritative};
}

std::vector<State> states(const AgentTimeline::Session& session)
{
    std::vector<State> out;
    for (const auto& step : session.steps)
        out.push_back(step.state);
    return out;
}

TEST(AgentTimeline, a_quiet_transcript_creates_nothing_once_hooks_speak_for_the_agent)
{
    AgentTimeline timeline;
    EXPECT_FALSE(timeline.record(entry("s1", State::finished, t0, Source::transcript, true)));
    EXPECT_TRUE(timeline.sessions().empty());
    EXPECT_TRUE(timeline.record(entry("s1", State::working, t0, Source::transcript, true)));
    EXPECT_FALSE(timeline.record(entry("s1", State::finished, t0.plusSeconds(60), Source::transcript, true)));
    EXPECT_EQ(timeline.find("s1")->state(), State::working);
}

TEST(AgentTimeline, a_quiet_transcript_never_overrides_a_request_for_the_user)
{
    AgentTimeline timeline;
    ASSERT_TRUE(timeline.record(entry("s1", State::needsYou, t0)));
    EXPECT_FALSE(timeline.record(entry("s1", State::finished, t0.plusSeconds(60), Source::transcript)));
    // Only a transcript write after the request means the agent works again.
    EXPECT_FALSE(timeline.record(entry("s1", State::working, t0, Source::transcript)));
    EXPECT_TRUE(timeline.record(entry("s1", State::working, t0.plusSeconds(90), Source::transcript)));
    EXPECT_EQ(states(*timeline.find("s1")), (std::vector{State::needsYou, State::working}));
}

TEST(AgentTimeline, an_idle_prompt_soon_after_finishing_is_no_request)
{
    AgentTimeline timeline;
    (void)timeline.record(entry("s1", State::working, t0));
    (void)timeline.record(entry("s1", State::finished, t0.plusSeconds(100)));
    EXPECT_FALSE(timeline.record(entry("s1", State::needsYou, t0.plusSeconds(160))));
    EXPECT_TRUE(timeline.record(entry("s1", State::needsYou, t0.plusSeconds(220))));
    EXPECT_EQ(timeline.find("s1")->state(), State::needsYou);
}

TEST(AgentTimeline, new_fields_count_as_a_change_and_move_the_session_to_the_front)
{
    AgentTimeline timeline;
    (void)timeline.record(entry("a", State::working, t0));
    (void)timeline.record(entry("b", State::working, t0.plusSeconds(1)));
    EXPECT_FALSE(timeline.record(entry("a", State::working, t0.plusSeconds(2))));

    auto withBranch = entry("a", State::working, t0.plusSeconds(3));
    withBranch.branch = "main";
    withBranch.app = "kitty";
    EXPECT_TRUE(timeline.record(withBranch));
    EXPECT_EQ(timeline.sessions().front().id, "a");
    EXPECT_EQ(timeline.sessions().front().branch, "main");
    EXPECT_EQ(timeline.sessions().front().app, "kitty");
    EXPECT_FALSE(timeline.record(withBranch));

    // A step that is not appended still keeps a new path, and says so.
    auto stale = entry("a", State::working, t0, Source::transcript);
    stale.path = "/t/a.jsonl";
    ASSERT_TRUE(timeline.record(entry("a", State::needsYou, t0.plusSeconds(4))));
    EXPECT_TRUE(timeline.record(stale));
    EXPECT_EQ(timeline.find("a")->path, "/t/a.jsonl");
    EXPECT_EQ(timeline.find("a")->state(), State::needsYou);
}

TEST(AgentTimeline, a_17th_step_drops_the_oldest_and_a_201st_session_the_least_recent)
{
    AgentTimeline timeline;
    for (int i = 0; i < 17; ++i)
        (void)timeline.record(entry("s", i % 2 == 0 ? State::working : State::finished, t0.plusSeconds(i * 60)));
    const auto& steps = timeline.find("s")->steps;
    ASSERT_EQ(steps.size(), AgentTimeline::maxSteps);
    EXPECT_EQ(steps.front().at, t0.plusSeconds(60));

    AgentTimeline many;
    for (int i = 0; i < 201; ++i)
        (void)many.record(entry("s" + std::to_string(i), State::working, t0.plusSeconds(i)));
    EXPECT_EQ(many.sessions().size(), AgentTimeline::cap);
    EXPECT_EQ(many.find("s0"), nullptr);
    EXPECT_EQ(many.sessions().front().id, "s200");
}

TEST(AgentTimeline, prune_forgets_a_week_old_session_and_close_stale_finishes_silent_ones)
{
    ManualClock clock(t0);
    AgentTimeline timeline;
    (void)timeline.record(entry("old", State::working, clock.now()));
    clock.advance(7 * 86400 - 1000);
    (void)timeline.record(entry("quiet", State::working, clock.now()));
    (void)timeline.record(entry("done", State::finished, clock.now()));
    clock.advance(1001);
    timeline.prune(clock.now());
    EXPECT_EQ(timeline.find("old"), nullptr);

    EXPECT_FALSE(timeline.closeStale(clock.now(), AgentTimeline::staleAfter));
    clock.advance(AgentTimeline::staleAfter);
    EXPECT_TRUE(timeline.closeStale(clock.now(), AgentTimeline::staleAfter));
    EXPECT_EQ(states(*timeline.find("quiet")), (std::vector{State::working, State::finished}));
    EXPECT_EQ(timeline.find("quiet")->since(), clock.now());
    EXPECT_EQ(timeline.find("done")->steps.size(), 1u);

    timeline.clearFinished();
    EXPECT_TRUE(timeline.sessions().empty());
}

TEST(AgentTimeline, session_id_falls_back_to_agent_and_project)
{
    AgentTimeline timeline;
    EXPECT_EQ(timeline.sessionID("Codex", "app"), "Codex|app");
    auto codex = entry("c-1", State::working, t0);
    codex.agent = "Codex";
    codex.project = "  app ";
    (void)timeline.record(codex);
    EXPECT_EQ(timeline.sessionID("Codex", "app"), "c-1");
    EXPECT_EQ(timeline.sessionID("Claude Code", "app"), "Claude Code|app");
}

TEST(AgentTimeline, the_daily_summary_counts_sessions_by_what_they_reached_that_day)
{
    Calendar calendar = *Calendar::named("Europe/Berlin");
    AgentTimeline timeline;
    (void)timeline.record(entry("a", State::working, t0));
    (void)timeline.record(entry("a", State::finished, t0.plusSeconds(600)));
    (void)timeline.record(entry("a", State::working, t0.plusSeconds(900)));
    (void)timeline.record(entry("a", State::finished, t0.plusSeconds(1200)));
    (void)timeline.record(entry("b", State::working, t0));
    (void)timeline.record(entry("b", State::needsYou, t0.plusSeconds(300)));
    (void)timeline.record(entry("c", State::working, t0.plusSeconds(86400)));
    EXPECT_EQ(timeline.summary(t0, calendar), (AgentTimeline::DailySummary{1, 1, 2}));

    auto groups = AgentSessionGroups::make(timeline, t0.plusSeconds(86400), calendar);
    ASSERT_EQ(groups.needsYou.size(), 1u);
    ASSERT_EQ(groups.working.size(), 1u);
    EXPECT_EQ(groups.working.front().id, "c");
    EXPECT_TRUE(groups.finishedToday.empty());
    EXPECT_EQ(timeline.find("a")->lastTurn(), 300);
}

}  // namespace
}  // namespace corvane
