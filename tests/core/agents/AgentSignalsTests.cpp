#include "core/agents/AgentSignals.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = ClaudeHookEvent::Kind;
using State = AgentTimeline::State;

const WallTime t0 = WallTime::fromUnixSeconds(1772356500);
const std::string session = "5f0c2a7e-8d4b-4c1e-9a3f-2b7d6e1c0a94";

HookInboxEvent claude(Kind kind, WallTime at, std::optional<std::string> id = session)
{
    return {AgentKind::claudeCode, {kind, "lunebox"}, std::move(id), "/dev/pts/3", "kitty", at};
}

TranscriptPhase transcript(AgentPhase phase, AgentKind agent = AgentKind::claudeCode)
{
    return {session, agent, "lunebox", "main", "/home/dev/.claude/projects/-home-dev-lunebox/" + session + ".jsonl",
            phase};
}

TEST(AgentSignals, a_notification_60_seconds_after_a_stop_is_ignored_and_2_minutes_after_raises_stuck)
{
    for (double gap : {60.0, 120.0}) {
        AgentSignals signals;
        AgentTimeline timeline;
        (void)signals.hook(timeline, claude(Kind::start, t0));
        AgentSignal stop = signals.hook(timeline, claude(Kind::stop, t0.plusSeconds(100)));
        ASSERT_TRUE(stop.alert);

        AgentSignal notification = signals.hook(timeline, claude(Kind::needsInput, t0.plusSeconds(100 + gap)));
        if (gap < AgentTimeline::idlePromptWindow) {
            EXPECT_TRUE(notification.isQuiet());
            EXPECT_EQ(timeline.find(session)->state(), State::finished);
            continue;
        }
        EXPECT_TRUE(notification.changed);
        ASSERT_TRUE(notification.alert);
        EXPECT_EQ(notification.alert->post.kind, "ai.stuck");
        EXPECT_EQ(notification.alert->post.title, "Claude Code may be waiting for you");
        EXPECT_EQ(notification.alert->post.card->tintHex, "#D97757");
        EXPECT_EQ(notification.alert->post.card->symbol, "hand.raised.fill");
        EXPECT_EQ(notification.away, (AwayReport{AwayReport::Kind::needsYou, session, "Claude Code", "lunebox", "kitty",
                                                 t0.plusSeconds(220)}));
    }
}

TEST(AgentSignals, a_claude_stop_is_announced_only_after_a_known_run_of_30_seconds)
{
    AgentSignals signals;
    AgentTimeline timeline;
    (void)signals.hook(timeline, claude(Kind::start, t0));
    AgentSignal quick = signals.hook(timeline, claude(Kind::stop, t0.plusSeconds(29)));
    EXPECT_TRUE(quick.changed);
    EXPECT_FALSE(quick.alert);
    EXPECT_TRUE(quick.away);  // the tally still counts it

    (void)signals.hook(timeline, claude(Kind::start, t0.plusSeconds(60)));
    AgentSignal longer = signals.hook(timeline, claude(Kind::stop, t0.plusSeconds(60 + 125)));
    ASSERT_TRUE(longer.alert);
    EXPECT_EQ(longer.alert->post.kind, "ai.finished");
    EXPECT_EQ(longer.alert->post.title, "Claude Code finished");
    EXPECT_EQ(longer.alert->post.body, "lunebox · 2 min");
    EXPECT_EQ(longer.alert->post.ear, (EarPayload{"checkmark.circle.fill", "2m"}));
    EXPECT_EQ(longer.alert->post.card->tintHex, "#D97757");

    // A stop without a known run (no start seen) is recorded, not announced.
    AgentSignal unknown = signals.hook(timeline, claude(Kind::stop, t0.plusSeconds(400), "other-session"));
    EXPECT_TRUE(unknown.changed);
    EXPECT_FALSE(unknown.alert);
}

TEST(AgentSignals, a_codex_notification_without_a_session_falls_back_to_agent_and_project)
{
    AgentSignals signals;
    AgentTimeline timeline;
    AgentSignal stop = signals.hook(
        timeline, {AgentKind::codex, {Kind::stop, "app"}, std::nullopt, std::nullopt, std::nullopt, t0});
    ASSERT_TRUE(stop.alert);
    EXPECT_EQ(stop.alert->post.title, "Codex finished");
    EXPECT_EQ(stop.alert->post.body, "app");
    EXPECT_EQ(stop.alert->post.card->tintHex, "#10A37F");
    EXPECT_EQ(timeline.sessions().front().id, "Codex|app");
    EXPECT_TRUE(signals.hooksAuthoritative(AgentKind::codex));
    EXPECT_FALSE(signals.hooksAuthoritative(AgentKind::claudeCode));
}

TEST(AgentSignals, once_hooks_speak_transcript_quiet_periods_never_raise_finished)
{
    AgentSignals signals;
    AgentTimeline timeline;
    (void)signals.hook(timeline, claude(Kind::stop, t0));
    AgentSignal working = signals.transcript(timeline, transcript(AgentPhase::working(t0.plusSeconds(10))));
    EXPECT_TRUE(working.changed);
    EXPECT_FALSE(working.alert);
    AgentSignal quiet = signals.transcript(timeline, transcript(AgentPhase::finished(t0.plusSeconds(400), 390)));
    EXPECT_FALSE(quiet.changed);
    EXPECT_FALSE(quiet.alert);
    EXPECT_FALSE(signals.transcript(timeline, transcript(AgentPhase::stuck(t0.plusSeconds(400)))).alert);
}

TEST(AgentSignals, transcript_phases_raise_finished_and_stuck_without_hooks)
{
    AgentSignals signals;
    AgentTimeline timeline;
    (void)signals.transcript(timeline, transcript(AgentPhase::working(t0)));
    AgentSignal finished = signals.transcript(timeline, transcript(AgentPhase::finished(t0.plusSeconds(330), 330)));
    ASSERT_TRUE(finished.alert);
    EXPECT_EQ(finished.alert->post.body, "lunebox · 5 min");
    EXPECT_EQ(finished.alert->post.ear, (EarPayload{"checkmark.circle.fill", "5m"}));
    EXPECT_EQ(timeline.find(session)->branch, "main");

    AgentSignal stuck = signals.transcript(timeline, transcript(AgentPhase::stuck(t0.plusSeconds(330))));
    ASSERT_TRUE(stuck.alert);
    EXPECT_EQ(stuck.alert->post.kind, "ai.stuck");
    EXPECT_EQ(stuck.alert->post.card->tintHex, "#FF9F0A");
    EXPECT_EQ(stuck.away->kind, AwayReport::Kind::needsYou);
    // The same phase again changes nothing and raises nothing.
    EXPECT_TRUE(signals.transcript(timeline, transcript(AgentPhase::stuck(t0.plusSeconds(330)))).isQuiet());
    EXPECT_TRUE(signals.transcript(timeline, transcript(AgentPhase::idle())).isQuiet());
}

TEST(AgentSignals, the_rate_limit_holds_back_alerts_but_never_the_timeline)
{
    AgentSignals signals;
    AgentTimeline timeline;
    (void)signals.hook(timeline, claude(Kind::start, t0));
    ASSERT_TRUE(signals.hook(timeline, claude(Kind::stop, t0.plusSeconds(60))).alert);
    // Another session of the same project asks for the user 10 s later.
    AgentSignal asked = signals.hook(timeline, claude(Kind::needsInput, t0.plusSeconds(70), "second"));
    EXPECT_TRUE(asked.changed);
    EXPECT_FALSE(asked.alert);
    EXPECT_TRUE(asked.away);
    EXPECT_EQ(timeline.find("second")->state(), State::needsYou);
}

}  // namespace
}  // namespace corvane
