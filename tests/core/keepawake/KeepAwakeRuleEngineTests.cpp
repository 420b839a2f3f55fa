#include <gtest/gtest.h>

#include "core/keepawake/KeepAwakeRuleEngine.h"

using namespace corvane;

namespace {

const WallTime now = WallTime::fromUnixSeconds(1772356500);

KeepAwakeRules allOn(std::vector<std::string> apps = {})
{
    return KeepAwakeRules{true, true, std::move(apps), true, true};
}

Workload work(std::int32_t pid, std::string label, WorkloadKind kind = WorkloadKind::agent)
{
    return Workload{pid, std::move(label), kind, std::nullopt, std::nullopt};
}

std::string appName(const std::string& id)
{
    return id == "org.videolan.VLC" ? "VLC" : id;
}

}  // namespace

TEST(KeepAwakeRuleEngine, first_match_wins_from_guardrails_down_to_the_wind_down)
{
    KeepAwakeRuleInputs inputs{KeepAwakeAgents::working(WorkloadKind::build, "cargo"),
                               {"org.gnome.Ptyxis", "org.videolan.VLC"}, true, true, KeepAwakeGuard::lowBattery};
    auto rules = allOn({"org.videolan.VLC", "org.gnome.Ptyxis"});
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(false, rules, inputs), KeepAwakeRuleState::off());
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, KeepAwakeRules{false, false, {}, false, false}, inputs),
              KeepAwakeRuleState::waiting());
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs), KeepAwakeRuleState::paused(KeepAwakeGuard::lowBattery));

    inputs.guardStop.reset();
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs),
              KeepAwakeRuleState::awake(KeepAwakeReason::workload(WorkloadKind::build, "cargo")));
    // Both listed apps run: the first in the list is the reason.
    inputs.agents = KeepAwakeAgents::winding(now.plusSeconds(120));
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs),
              KeepAwakeRuleState::awake(KeepAwakeReason::app("org.videolan.VLC")));
    inputs.runningApps.clear();
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs),
              KeepAwakeRuleState::awake(KeepAwakeReason::externalDisplay()));
    inputs.externalDisplay = false;
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs), KeepAwakeRuleState::awake(KeepAwakeReason::power()));
    inputs.onPower = false;
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs),
              KeepAwakeRuleState::awake(KeepAwakeReason::winding(now.plusSeconds(120))));
    rules.agents = false;
    EXPECT_EQ(KeepAwakeRuleEngine::evaluate(true, rules, inputs), KeepAwakeRuleState::waiting());
}

TEST(KeepAwakeAgents, the_label_stays_on_the_work_first_seen_while_it_runs)
{
    auto claude = KeepAwakeAgents::working(WorkloadKind::agent, "claude");
    EXPECT_EQ(KeepAwakeAgents::from({work(1, "codex"), work(2, "claude")}, std::nullopt, claude), claude);
    EXPECT_EQ(KeepAwakeAgents::from({work(1, "codex"), work(2, "claude")}, std::nullopt, KeepAwakeAgents::idle()),
              KeepAwakeAgents::working(WorkloadKind::agent, "codex"));
    // Same label of another kind is other work.
    EXPECT_EQ(KeepAwakeAgents::from({work(3, "claude", WorkloadKind::custom)}, std::nullopt, claude),
              KeepAwakeAgents::working(WorkloadKind::custom, "claude"));
    EXPECT_EQ(KeepAwakeAgents::from({}, now, claude), KeepAwakeAgents::winding(now));
    EXPECT_EQ(KeepAwakeAgents::from({}, std::nullopt, claude), KeepAwakeAgents::idle());
}

TEST(KeepAwakeReason, texts_and_log_keys)
{
    EXPECT_EQ(KeepAwakeReason::workload(WorkloadKind::agent, "claude").text(appName, now), "Agent working");
    EXPECT_EQ(KeepAwakeReason::workload(WorkloadKind::build, "cargo").text(appName, now), "Build running");
    EXPECT_EQ(KeepAwakeReason::workload(WorkloadKind::custom, "render").text(appName, now), "render running");
    EXPECT_EQ(KeepAwakeReason::app("org.videolan.VLC").text(appName, now), "VLC is running");
    EXPECT_EQ(KeepAwakeReason::winding(now.plusSeconds(61)).text(appName, now), "Work stopped · sleep in 2 min");
    EXPECT_EQ(KeepAwakeReason::winding(now.plusSeconds(-30)).text(appName, now), "Work stopped · sleep in 0 min");
    EXPECT_EQ(KeepAwakeReason::externalDisplay().text(appName, now), "External display");
    EXPECT_EQ(KeepAwakeReason::power().text(appName, now), "On power adapter");

    EXPECT_EQ(KeepAwakeReason::workload(WorkloadKind::custom, "render").logKey(), "agents and builds");
    EXPECT_EQ(KeepAwakeReason::winding(now).logKey(), "agents and builds");
    EXPECT_EQ(KeepAwakeReason::app("org.videolan.VLC").logKey(), "org.videolan.VLC");
    EXPECT_EQ(KeepAwakeReason::externalDisplay().logKey(), "external display");
    EXPECT_EQ(KeepAwakeReason::power().logKey(), "power adapter");
}

TEST(KeepAwakeRuleEngine, the_card_names_the_state_and_counts_the_rules)
{
    auto rules = allOn();
    using Card = KeepAwakeRuleEngine::Card;
    auto card = [&](const KeepAwakeRuleState& state) { return KeepAwakeRuleEngine::card(state, rules, appName, now); };
    EXPECT_EQ(card(KeepAwakeRuleState::off()), (Card{"Off", "Awake when a rule matches", "4 of 4 rules on"}));
    EXPECT_EQ(card(KeepAwakeRuleState::waiting()), (Card{"On", "Waiting — no rule matches", "4 of 4 rules on"}));
    EXPECT_EQ(card(KeepAwakeRuleState::awake(KeepAwakeReason::app("org.videolan.VLC"))),
              (Card{"On", "VLC is running", "4 of 4 rules on"}));
    EXPECT_EQ(card(KeepAwakeRuleState::paused(KeepAwakeGuard::lowBattery)).reason, "Paused — battery low");
    EXPECT_EQ(card(KeepAwakeRuleState::paused(KeepAwakeGuard::hot)),
              (Card{"Paused", "Paused — computer is hot", "4 of 4 rules on"}));
}
