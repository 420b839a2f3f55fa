#include <gtest/gtest.h>

#include "core/keepawake/KeepAwakeEvents.h"
#include "core/keepawake/KeepAwakeHolders.h"
#include "core/keepawake/KeepAwakePlan.h"
#include "core/keepawake/KeepAwakeText.h"

using namespace corvane;
namespace Plan = KeepAwakePlan;

namespace {

const WallTime now = WallTime::fromUnixSeconds(1772356500);  // 2026-03-01 09:15 UTC
const Calendar utc = Calendar::utc();

KeepAwakeInputs nothing()
{
    KeepAwakeInputs in;
    in.rule = KeepAwakeRuleState::waiting();
    return in;
}

KeepAwakeInputs manual(KeepAwakeMode mode)
{
    KeepAwakeInputs in = nothing();
    in.manual = KeepAwakeSession{std::move(mode), now.plusSeconds(-60)};
    return in;
}

KeepAwakeInputs ruleAwake(KeepAwakeReason reason)
{
    KeepAwakeInputs in = nothing();
    in.rule = KeepAwakeRuleState::awake(std::move(reason));
    in.ruleSince = now.plusSeconds(-600);
    return in;
}

KeepAwakeReason agentWork() { return KeepAwakeReason::workload(WorkloadKind::agent, "claude"); }

}  // namespace

TEST(KeepAwakePlan, the_user_holds_the_display_and_automatic_holds_only_the_system)
{
    EXPECT_EQ(Plan::decide(nothing()).assertion, AssertionKind::none);
    EXPECT_EQ(Plan::decide(manual(KeepAwakeMode::indefinite())).assertion, AssertionKind::display);
    KeepAwakeInputs relaxed = manual(KeepAwakeMode::indefinite());
    relaxed.allowDisplaySleep = true;
    EXPECT_EQ(Plan::decide(relaxed).assertion, AssertionKind::system);
    EXPECT_EQ(Plan::decide(ruleAwake(agentWork())).assertion, AssertionKind::system);
    EXPECT_EQ(Plan::decide(nothing().steppingAway(true)).assertion, AssertionKind::system);
    KeepAwakeInputs stay = nothing();
    stay.stay = StayHold::starting(now, 2);
    EXPECT_EQ(Plan::decide(stay).assertion, AssertionKind::display);
}

TEST(KeepAwakePlan, the_lid_lease_needs_a_ready_helper_and_no_guardrail)
{
    KeepAwakeInputs in = ruleAwake(agentWork());
    in.helper = HelperState::ready;
    EXPECT_TRUE(Plan::decide(in).lidLease);
    in.lidGuard = StopReason::unplugged;
    EXPECT_FALSE(Plan::decide(in).lidLease);
    in.lidGuard.reset();
    in.choice = LidChoice::sleepNormally;
    EXPECT_FALSE(Plan::decide(in).lidLease);
    in.stay = StayHold::starting(now, std::nullopt);
    EXPECT_TRUE(Plan::decide(in).lidLease);
    in.helper = HelperState::installing;
    EXPECT_FALSE(Plan::decide(in).lidLease);

    // The helper card: approval matters unless the lid just sleeps; a broken helper always.
    KeepAwakeInputs card = nothing();
    card.helper = HelperState::unreachable;
    EXPECT_TRUE(Plan::decide(card).helperCard);
    card.choice = LidChoice::sleepNormally;
    EXPECT_FALSE(Plan::decide(card).helperCard);
    card.helper = HelperState::needsRepair;
    EXPECT_TRUE(Plan::decide(card).helperCard);
}

TEST(KeepAwakePlan, switching_assertions_releases_first_and_the_same_kind_changes_nothing)
{
    EXPECT_EQ(Plan::assertionChange(AssertionKind::display, AssertionKind::system),
              (AssertionChange{true, AssertionKind::system}));
    EXPECT_EQ(Plan::assertionChange(AssertionKind::system, AssertionKind::system), AssertionChange{});
    EXPECT_EQ(Plan::assertionChange(AssertionKind::none, AssertionKind::display),
              (AssertionChange{false, AssertionKind::display}));
    EXPECT_EQ(Plan::assertionChange(AssertionKind::display, AssertionKind::none), (AssertionChange{true, std::nullopt}));
}

TEST(KeepAwakePlan, the_headline_follows_the_first_thing_that_applies)
{
    auto headline = [](const KeepAwakeInputs& in) {
        auto status = Plan::status(in, now, utc);
        return status.title + " / " + status.sub;
    };
    KeepAwakeInputs off = nothing();
    off.rule = KeepAwakeRuleState::off();
    EXPECT_EQ(headline(off), "Your computer can sleep normally / Automatic keep awake is off. Keep awake now holds it up for "
                             "a while.");
    EXPECT_EQ(headline(nothing()), "Your computer can sleep normally / Nothing running. When an agent or build starts, it "
                                   "stays awake on its own.");

    KeepAwakeInputs paused = nothing();
    paused.rule = KeepAwakeRuleState::paused(KeepAwakeGuard::hot);
    EXPECT_EQ(Plan::status(paused, now, utc).sub, "Paused while the computer is very hot. It keeps going once it cools down.");
    EXPECT_EQ(headline(nothing().steppingAway(true)),
              "Your computer stays awake while you’re away / The screen is locked; Lunebox keeps the computer and the network "
              "awake.");
    EXPECT_EQ(Plan::status(ruleAwake(KeepAwakeReason::power()), now, utc).title,
              "Your computer stays awake while On power adapter");

    KeepAwakeInputs winding = ruleAwake(KeepAwakeReason::winding(now.plusSeconds(150)));
    winding.helper = HelperState::ready;
    auto status = Plan::status(winding, now, utc);
    EXPECT_EQ(status.title, "Work finished — sleeps in 3 min");
    EXPECT_EQ(status.sub, "Nothing is running anymore. The lid can stay closed; your computer sleeps after the grace period.");
    EXPECT_EQ(status.tone, KeepAwakeTone::winding);
    EXPECT_EQ(status.since, now.plusSeconds(-600));

    KeepAwakeInputs timer = manual(KeepAwakeMode::duration(1800));
    EXPECT_EQ(headline(timer), "Awake — 29 min more / Kept awake by you. Closing the lid still puts the computer to sleep.");
    EXPECT_EQ(Plan::status(manual(KeepAwakeMode::whileProcess(7, "cargo")), now, utc).title, "Awake — while cargo runs");

    KeepAwakeInputs stay = timer;
    stay.stay = StayHold{now, now.plusSeconds(8 * 3600)};
    stay.helper = HelperState::notInstalled;
    EXPECT_EQ(Plan::status(stay, now, utc).sub,
              "While the lid is open. Allow the helper once to stay awake with it closed.");
    stay.helper = HelperState::ready;
    EXPECT_EQ(Plan::status(stay, now, utc).sub, "Lid closed too. Back to normal sleep at 17:15");

    KeepAwakeInputs stopped = stay;
    stopped.stopped = KeepAwakeStop{StopCause::battery(9), now, std::nullopt, true};
    status = Plan::status(stopped, now, utc);
    EXPECT_EQ(status.title, "Stopped — battery at 9%");
    EXPECT_EQ(status.sub, "Work was still working, but the battery got low, so Lunebox let your computer sleep. Plug in to "
                          "keep going.");
    EXPECT_EQ(status.action, KeepAwakeStatus::Action::resume);
    stopped.stopped = KeepAwakeStop{StopCause::thermal(), now, "claude", true};
    EXPECT_EQ(Plan::status(stopped, now, utc).sub, "claude was still working, but the computer got critically hot, so "
                                                   "Lunebox let it sleep. Let it cool, then Resume.");

    // A recap shows once nothing holds any more, before a guarded stop.
    stopped.recap = KeepAwakeRecap{now.plusSeconds(-3600), now, {}, "claude kept running the whole time."};
    EXPECT_EQ(Plan::status(stopped, now, utc).title, "Stopped — computer got too hot");
    stopped.manual.reset();
    stopped.stay.reset();
    status = Plan::status(stopped, now, utc);
    EXPECT_EQ(headline(stopped), "While the lid was closed / claude kept running the whole time.");
    EXPECT_EQ(status.action, KeepAwakeStatus::Action::done);
}

TEST(KeepAwakePlan, the_ear_gives_way_to_the_agents_own_ear)
{
    KeepAwakeInputs agent = ruleAwake(agentWork());
    EXPECT_TRUE(Plan::earYieldsToAgentEar(agent));
    EXPECT_EQ(Plan::ear(agent, now, true), std::nullopt);
    EXPECT_EQ(Plan::ear(nothing(), now, true), std::nullopt);

    KeepAwakeInputs build = ruleAwake(KeepAwakeReason::workload(WorkloadKind::build, "cargo"));
    build.who = "cargo";
    EXPECT_EQ(Plan::ear(build, now, false),
              (KeepAwakeEar{KeepAwakeTone::awake, "hammer", "Awake", "cargo", "Awake · Build running"}));

    KeepAwakeInputs both = agent;
    both.manual = KeepAwakeSession{KeepAwakeMode::duration(900), now};
    EXPECT_FALSE(Plan::earYieldsToAgentEar(both));
    EXPECT_EQ(Plan::ear(both, now.plusSeconds(0.5), false),
              (KeepAwakeEar{KeepAwakeTone::awake, "cup.and.saucer", "Awake", "15:00", "Awake · Keep awake now · 15:00"}));
    EXPECT_EQ(Plan::earTick(both.manual), 1);
    EXPECT_EQ(Plan::earTick(manual(KeepAwakeMode::indefinite()).manual), 30);
}

TEST(KeepAwakePlan, ear_texts_for_stops_step_away_and_the_wind_down)
{
    KeepAwakeInputs stopped = nothing();
    stopped.stopped = KeepAwakeStop{StopCause::battery(12), now, std::nullopt, false};
    EXPECT_EQ(Plan::ear(stopped, now, true),
              (KeepAwakeEar{KeepAwakeTone::stopped, "battery.25", "Stopped", "battery 12%", "Stopped · battery 12%"}));
    EXPECT_EQ(Plan::ear(stopped, now, false)->label, "Ended");

    EXPECT_EQ(Plan::ear(ruleAwake(agentWork()).steppingAway(true), now, true),
              (KeepAwakeEar{KeepAwakeTone::awake, "lock", "Away", "", "Awake · Step away"}));

    KeepAwakeInputs winding = ruleAwake(KeepAwakeReason::winding(now.plusSeconds(150)));
    EXPECT_EQ(Plan::ear(winding, now, true),
              (KeepAwakeEar{KeepAwakeTone::winding, "moon.fill", "Sleeps soon", "in 3 min", "Sleeps when done · in 3 min"}));
    winding.helper = HelperState::ready;
    EXPECT_EQ(Plan::ear(winding, now, true)->full, "Sleeps when done · lid closed OK");
    EXPECT_EQ(Plan::ear(winding, now, false)->detail, "lid OK");
    EXPECT_EQ(Plan::ear(winding, now, false)->label, "Done");
}

TEST(KeepAwakeHolders, one_row_per_holder_in_a_fixed_order)
{
    KeepAwakeInputs in = ruleAwake(agentWork());
    in.manual = KeepAwakeSession{KeepAwakeMode::duration(7200), now};
    in.stay = StayHold{now, now.plusSeconds(3 * 3600)};
    in.away = true;
    std::vector<Workload> work{{1, "claude", WorkloadKind::agent, {}, {}}, {2, "cargo", WorkloadKind::build, {}, {}},
                               {3, "claude", WorkloadKind::agent, {}, {}}};
    KeepAwakeRules rules{true, true, {"org.videolan.VLC", "org.gnome.Ptyxis"}, true, true};
    std::vector<std::pair<std::string, std::string>> apps{{"org.gnome.Ptyxis", "Ptyxis"}, {"org.mozilla.firefox", "Firefox"}};

    auto rows = KeepAwakeHolders::rows(in, work, apps, rules, true, true, now, utc);
    std::vector<std::string> summary;
    for (const auto& row : rows)
        summary.push_back(row.id + " | " + row.name + " | " + row.sub + " | " + row.state);
    EXPECT_EQ(summary, (std::vector<std::string>{
        "manual | Keep awake now | Until 11:15 | Keeps the computer awake while the lid is open",
        "stay | Stay awake | Until 12:15 · lid open only | On",
        "away | Step away | Screen locked · work keeps running | Away",
        "work.claude | claude | 2 sessions | Working",
        "work.cargo | cargo | 1 process | Working",
        "app.org.gnome.Ptyxis | Ptyxis | Rule: while this app is open | Open",
        "display | External display | Rule: while a display is connected | Rule",
        "power | Power adapter | Rule: while on power adapter | Rule",
    }));
    EXPECT_EQ(rows[0].stop, KeepAwakeHolder::Stop::manual);
    EXPECT_EQ(rows[1].stop, KeepAwakeHolder::Stop::stay);

    in = ruleAwake(KeepAwakeReason::winding(now.plusSeconds(100)));
    in.helper = HelperState::ready;
    in.manual = KeepAwakeSession{KeepAwakeMode::duration(600), now};
    rows = KeepAwakeHolders::rows(in, {}, {}, KeepAwakeRules{}, false, false, now, utc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sub, "10 min left");
    EXPECT_EQ(rows[0].state, "Keeps the computer awake, lid closed too");
    EXPECT_EQ(rows[1].sub, "Sleeps in 2 min unless work starts again");
    EXPECT_EQ(rows[1].tone, KeepAwakeHolder::Tone::winding);
    // Paused or waiting, the rules hold nothing.
    in = nothing();
    EXPECT_TRUE(KeepAwakeHolders::rows(in, work, apps, rules, true, true, now, utc).empty());
}

TEST(StopCause, comes_from_the_helper_or_a_guardrail_and_raises_one_alert)
{
    EXPECT_EQ(StopCause::from(LidStopReason::released, 40), std::nullopt);
    EXPECT_EQ(StopCause::from(LidStopReason::shutdown, 40), std::nullopt);
    EXPECT_EQ(StopCause::from(LidStopReason::leaseLapsed, 40), StopCause::helperFailed());
    EXPECT_EQ(StopCause::from(LidStopReason::battery, 4), StopCause::battery(4));
    EXPECT_EQ(StopCause::from(StopReason::unplugged, 40), StopCause::unplugged());
    EXPECT_EQ(StopCause::battery(std::nullopt).shortText(), "battery low");
    EXPECT_EQ(StopCause::deadline().shortText(), "time's up");
    EXPECT_EQ(StopCause::helperFailed().symbol(), "exclamationmark.triangle");

    AlertPost battery = KeepAwakeEvents::guardedStop(StopCause::battery(8));
    EXPECT_EQ(battery.kind, "keepAwake.battery");
    EXPECT_EQ(battery.title, "Battery low");
    EXPECT_EQ(battery.body, "Keep awake stopped at 8% so your computer can sleep safely.");
    ASSERT_TRUE(battery.card);
    EXPECT_EQ(battery.card->headline, "Keep awake stopped");
    EXPECT_EQ(battery.card->symbol, "exclamationmark.shield.fill");
    EXPECT_EQ(battery.card->tintHex, "#FF9F0A");
    EXPECT_EQ(KeepAwakeEvents::guardedStop(StopCause::unplugged()).kind, "keepAwake.battery");
    EXPECT_EQ(KeepAwakeEvents::guardedStop(StopCause::helperFailed()).title, "Lid setting lost");
    EXPECT_EQ(KeepAwakeEvents::guardedStop(StopCause::deadline()).kind, "keepAwake.ended");
}

TEST(ThermalWarning, warns_once_per_hot_spell_during_a_hold)
{
    ThermalWarning warning;
    EXPECT_FALSE(warning.update(ThermalLevel::serious, false));
    EXPECT_TRUE(warning.update(ThermalLevel::serious, true));
    EXPECT_FALSE(warning.update(ThermalLevel::critical, true));
    EXPECT_FALSE(warning.update(ThermalLevel::fair, true));
    EXPECT_TRUE(warning.update(ThermalLevel::critical, true));
}

TEST(KeepAwakeText, hours_and_lease_terms)
{
    EXPECT_EQ(KeepAwakeText::hours(0.7), "42 min");
    EXPECT_EQ(KeepAwakeText::hours(8), "8 h");
    EXPECT_EQ(KeepAwakeText::hours(1.3), "1.3 h");
    EXPECT_EQ(KeepAwakeText::hours(2.5), "2.5 h");
    EXPECT_EQ(Plan::leaseHardDeadlineSeconds(StayHold{now, now.plusSeconds(20.7)}, now), 60);
    EXPECT_EQ(Plan::leaseHardDeadlineSeconds(StayHold{now, now.plusSeconds(7200.9)}, now), 7200);
    EXPECT_EQ(Plan::leaseHardDeadlineSeconds(std::nullopt, now), 28800);
    EXPECT_EQ(Plan::leaseBatteryFloor(GuardrailPolicy{3, false}), 5);
    EXPECT_EQ(Plan::leaseBatteryFloor(GuardrailPolicy{25, false}), 25);
    EXPECT_EQ(Plan::leaseBatteryFloor(std::nullopt), 15);
    EXPECT_EQ(StayHold::starting(now, -1).deadline, now.plusSeconds(28800));
}
