#include <gtest/gtest.h>

#include "core/notch/ActivityArbiter.h"
#include "core/notch/EarTransition.h"

using namespace corvane;

namespace {

// A multiple of 360 s: rotation steps (8 s) and three-minute glances start at t = 0.
WallTime at(double seconds) { return WallTime::fromReferenceSeconds(799'999'920 + seconds); }

Activity ongoing(std::string id, std::string moduleID, int priority, double createdAt = -1000)
{
    return Activity{.id = id, .moduleID = moduleID, .kind = id, .priority = priority,
                    .left = EarContent::symbol("bolt"), .right = EarContent::text(id), .createdAt = at(createdAt)};
}

Activity transient(std::string id, std::string moduleID, int priority, double createdAt, double lifetime)
{
    Activity out = ongoing(std::move(id), std::move(moduleID), priority, createdAt);
    out.expiresAt = at(createdAt + lifetime);
    return out;
}

std::string mainID(const ActivityArbiter& arbiter, double t, const MusicFront& front = MusicFront::off())
{
    auto lineup = arbiter.lineup(at(t), front, false);
    return lineup.main ? lineup.main->id : "";
}

}  // namespace

TEST(ActivityArbiter, equal_ongoing_activities_take_turns_aligned_to_the_clock_and_the_second_ear_shows_the_other)
{
    ActivityArbiter arbiter;
    arbiter.post(ongoing("ai.working", "ai", 50), at(0));
    arbiter.post(ongoing("devServers.live", "devServers", 50), at(0));
    arbiter.post(ongoing("keepAwake.session", "keepAwake", 20), at(0));

    EXPECT_TRUE(arbiter.needsRotation(at(0)));
    EXPECT_EQ(mainID(arbiter, 0), "ai.working");
    EXPECT_EQ(mainID(arbiter, 7.9), "ai.working");
    EXPECT_EQ(mainID(arbiter, 8), "devServers.live");
    EXPECT_EQ(mainID(arbiter, 16), "ai.working");
    EXPECT_EQ(arbiter.nextChange(at(3)), at(8));
    EXPECT_DOUBLE_EQ(ActivityArbiter::untilNextRotation(at(3)), 5);
    EXPECT_DOUBLE_EQ(ActivityArbiter::untilNextRotation(at(8)), 8);

    auto lineup = arbiter.lineup(at(8), MusicFront::off(), true);
    EXPECT_EQ(lineup.main->id, "devServers.live");
    EXPECT_EQ(lineup.second->id, "ai.working");
    // The right ear belongs to the second activity, the left to the main one.
    EXPECT_EQ(lineup.activity(120, 100)->id, "ai.working");
    EXPECT_EQ(lineup.activity(80, 100)->id, "devServers.live");

    // Without a rotation period the first in order stays.
    EXPECT_EQ(arbiter.current(at(8), 0)->id, "ai.working");

    arbiter.removeAll("devServers");
    EXPECT_FALSE(arbiter.needsRotation(at(8)));
    EXPECT_EQ(arbiter.nextChange(at(8)), std::nullopt);
    lineup = arbiter.lineup(at(8), MusicFront::off(), true);
    EXPECT_EQ(lineup.second->id, "keepAwake.session");
    EXPECT_EQ(arbiter.lineup(at(8), MusicFront::off(), false).second, std::nullopt);
}

TEST(ActivityArbiter, expired_and_not_yet_due_activities_do_not_show_and_mark_the_next_change)
{
    ActivityArbiter arbiter;
    arbiter.post(ongoing("timers.running", "timers", 30), at(0));
    arbiter.post(transient("ai.finished", "ai", 70, -10, 16), at(0));
    Activity later = ongoing("calendar.countdown", "calendar", 90);
    later.showsAfter = at(20);
    arbiter.post(later, at(0));

    EXPECT_EQ(mainID(arbiter, 0), "ai.finished");
    EXPECT_EQ(arbiter.nextChange(at(0)), at(6));
    EXPECT_EQ(mainID(arbiter, 6), "timers.running");  // expired, even before pruning
    EXPECT_TRUE(arbiter.prune(at(6)));
    EXPECT_FALSE(arbiter.prune(at(6)));
    EXPECT_EQ(arbiter.activities().size(), 2u);

    EXPECT_EQ(arbiter.nextChange(at(6)), at(20));
    EXPECT_EQ(mainID(arbiter, 20), "calendar.countdown");
    // A transient second is never offered: the other ear is for ongoing activities.
    arbiter.post(transient("clipboard.copied", "clipboard", 10, 20, 2), at(20));
    EXPECT_EQ(arbiter.lineup(at(20), MusicFront::off(), true).second->id, "timers.running");
}

TEST(ActivityArbiter, an_activity_yields_while_its_target_exists_and_circular_yields_cancel_out)
{
    ActivityArbiter arbiter;
    Activity keepAwake = ongoing("keepAwake.session", "keepAwake", 60);
    keepAwake.yieldsTo = "ai.working";
    arbiter.post(keepAwake, at(0));
    arbiter.post(ongoing("ai.working", "ai", 30), at(0));
    EXPECT_EQ(mainID(arbiter, 0), "ai.working");
    arbiter.remove("ai.working");
    EXPECT_EQ(mainID(arbiter, 0), "keepAwake.session");

    ActivityArbiter circle;
    Activity a = ongoing("a", "one", 40);
    a.yieldsTo = "b";
    Activity b = ongoing("b", "two", 50);
    b.yieldsTo = "a";
    circle.post(a, at(0));
    circle.post(b, at(0));
    EXPECT_EQ(mainID(circle, 0), "b");
}

TEST(ActivityArbiter, within_a_priority_waiting_comes_first_then_the_newest_alert)
{
    ActivityArbiter arbiter;
    arbiter.post(ongoing("a.idle", "a", 50), at(0));
    Activity waiting = ongoing("z.stuck", "z", 50);
    waiting.waitingSince = at(-30);
    arbiter.post(waiting, at(0));
    arbiter.post(transient("m.alert", "m", 50, -100, 1000), at(0));
    EXPECT_EQ(mainID(arbiter, 0), "z.stuck");
    EXPECT_FALSE(arbiter.needsRotation(at(0)));

    arbiter.remove("z.stuck");
    EXPECT_EQ(mainID(arbiter, 0), "m.alert");
    arbiter.post(transient("n.alert", "n", 50, -50, 1000), at(0));
    EXPECT_EQ(mainID(arbiter, 0), "n.alert");
    // A higher priority outranks any of it.
    arbiter.post(ongoing("b.important", "b", 51), at(0));
    EXPECT_EQ(mainID(arbiter, 0), "b.important");
}

TEST(ActivityArbiter, a_new_ear_is_protected_from_equal_newcomers_for_five_seconds_but_not_from_the_users_own_actions)
{
    ActivityArbiter arbiter;
    arbiter.post(transient("ai.finished", "ai", 50, 0, 60), at(0));
    arbiter.post(transient("timers.done", "timers", 50, 2, 60), at(2));
    EXPECT_EQ(mainID(arbiter, 3), "ai.finished");
    EXPECT_EQ(arbiter.nextChange(at(3)), at(5));
    EXPECT_EQ(mainID(arbiter, 5), "timers.done");

    arbiter.post(transient("clipboard.copied", "clipboard", 50, 6, 2), at(6));
    EXPECT_EQ(mainID(arbiter, 6), "clipboard.copied");

    arbiter.post(transient("vitals.hot", "vitals", 80, 6.5, 60), at(6.5));
    EXPECT_EQ(mainID(arbiter, 6.5), "vitals.hot");
}

TEST(ActivityArbiter, music_in_front_puts_ongoing_activities_behind_it_apart_from_glances_and_alerts)
{
    ActivityArbiter arbiter;
    arbiter.post(ongoing("media.nowplaying", "media", 10), at(0));
    arbiter.post(ongoing("ai.working", "ai", 30), at(0));
    MusicFront front{.on = true, .glanceMinutes = 0, .glanceSeconds = 5};

    EXPECT_EQ(mainID(arbiter, 100), "ai.working");
    EXPECT_EQ(mainID(arbiter, 100, front), "media.nowplaying");
    EXPECT_FALSE(arbiter.needsRotation(at(100), front));
    auto lineup = arbiter.lineup(at(100), front, true);
    EXPECT_EQ(lineup.second->id, "ai.working");

    // A newly posted activity gets its glance, then steps behind the music.
    arbiter.post(ongoing("devServers.live", "devServers", 30, 100), at(100));
    EXPECT_EQ(mainID(arbiter, 102, front), "devServers.live");
    EXPECT_EQ(arbiter.nextChange(at(102), front), at(105));
    EXPECT_EQ(mainID(arbiter, 105, front), "media.nowplaying");

    // Alerts are not hidden behind music.
    arbiter.post(transient("ai.finished", "ai", 70, 106, 6), at(106));
    EXPECT_EQ(mainID(arbiter, 106, front), "ai.finished");
    arbiter.remove("ai.finished");

    // Every three minutes the others get a five-second glance.
    front.glanceMinutes = 3;
    EXPECT_EQ(mainID(arbiter, 180, front), "ai.working");
    EXPECT_EQ(mainID(arbiter, 185, front), "media.nowplaying");
    EXPECT_EQ(arbiter.nextChange(at(185), front), at(360));
}

TEST(ActivityArbiter, a_repost_keeps_its_first_creation_time_and_the_weakest_activity_goes_past_the_limit)
{
    ActivityArbiter arbiter;
    arbiter.post(ongoing("timers.running", "timers", 30, 0), at(0));
    arbiter.post(ongoing("timers.running", "timers", 30, 4), at(4));
    EXPECT_EQ(arbiter.activities().at("timers.running").createdAt, at(0));
    Activity other = ongoing("timers.running", "timers", 30, 6);
    other.kind = "timers.done";
    arbiter.post(other, at(6));
    EXPECT_EQ(arbiter.activities().at("timers.running").createdAt, at(6));

    ActivityArbiter full;
    full.post(transient("stale", "x", 99, 0, 1), at(0));
    for (int i = 1; i < 64; ++i)
        full.post(ongoing("a" + std::to_string(i), "x", i), at(10));
    full.post(ongoing("late", "x", 5), at(10));
    EXPECT_EQ(full.activities().size(), 64u);
    EXPECT_FALSE(full.activities().contains("stale"));  // expired ones go first
    full.post(ongoing("later", "x", 5), at(10));
    EXPECT_EQ(full.activities().size(), 64u);
    EXPECT_FALSE(full.activities().contains("a1"));
}

TEST(EarTransition, only_a_change_of_activity_animates_not_a_new_state_of_the_same_one)
{
    Activity working = ongoing("ai.working", "ai", 50);
    Activity updated = working;
    updated.right = EarContent::text("3 agents");
    Activity other = ongoing("ai.working", "timers", 50);

    EXPECT_FALSE(EarTransition::animates(working, updated));
    EXPECT_TRUE(EarTransition::animates(working, other));
    EXPECT_TRUE(EarTransition::animates(std::nullopt, working));
    EXPECT_TRUE(EarTransition::animates(working, std::nullopt));
    EXPECT_FALSE(EarTransition::animates(std::nullopt, std::nullopt));
}
