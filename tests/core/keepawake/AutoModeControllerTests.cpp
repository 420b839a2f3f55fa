#include <gtest/gtest.h>

#include "core/keepawake/AutoModeController.h"
#include "core/keepawake/KeepAwakePlan.h"
#include "core/keepawake/KeepAwakeRuleEngine.h"

using namespace corvane;

namespace {

const WallTime start = WallTime::fromUnixSeconds(1772356500);

std::vector<Workload> working(std::string label = "claude")
{
    return {Workload{101, std::move(label), WorkloadKind::agent, std::nullopt, std::nullopt}};
}

// The controller's auto tick as the app runs it: scan results feed Auto
// Mode, the agents summary and the rules, and the planner reads the result.
struct AutoTick {
    ManualClock clock{start};
    AutoModeController controller;
    KeepAwakeAgents agents;
    KeepAwakeRules rules;

    explicit AutoTick(double grace) : controller(grace) {}

    AutoDecision tick(const std::vector<Workload>& found, double afterSeconds)
    {
        clock.advance(afterSeconds);
        AutoDecision decision = controller.update(found, clock.now());
        agents = KeepAwakeAgents::from(found, controller.graceUntil(), agents);
        return decision;
    }
    KeepAwakeInputs inputs()
    {
        KeepAwakeInputs in;
        in.rule = KeepAwakeRuleEngine::evaluate(true, rules, {agents, {}, false, false, std::nullopt});
        return in;
    }
};

}  // namespace

TEST(AutoModeController, holds_while_work_runs_and_lets_go_after_the_grace)
{
    AutoTick auto_(180);
    EXPECT_EQ(auto_.tick({}, 0), AutoDecision::none());
    EXPECT_EQ(auto_.tick(working(), 10), AutoDecision::hold("claude"));
    EXPECT_EQ(auto_.tick(working(), 10), AutoDecision::none());
    EXPECT_EQ(KeepAwakePlan::decide(auto_.inputs()).assertion, AssertionKind::system);
    EXPECT_TRUE(KeepAwakePlan::earYieldsToAgentEar(auto_.inputs()));

    WallTime graceEnds = auto_.clock.now().plusSeconds(190);
    EXPECT_EQ(auto_.tick({}, 10), AutoDecision::releaseAfterGrace(graceEnds));
    EXPECT_EQ(auto_.inputs().rule, KeepAwakeRuleState::awake(KeepAwakeReason::winding(graceEnds)));
    EXPECT_EQ(KeepAwakePlan::ear(auto_.inputs(), auto_.clock.now(), false)->detail, "in 4 min");
    EXPECT_EQ(auto_.tick({}, 170), AutoDecision::none());
    EXPECT_EQ(auto_.tick({}, 10), AutoDecision::release(true));
    EXPECT_FALSE(auto_.controller.holding());
    EXPECT_EQ(auto_.inputs().rule, KeepAwakeRuleState::waiting());
    EXPECT_EQ(KeepAwakePlan::decide(auto_.inputs()).assertion, AssertionKind::none);
    EXPECT_EQ(auto_.tick({}, 10), AutoDecision::none());
}

TEST(AutoModeController, work_that_starts_again_during_the_grace_holds_anew)
{
    AutoTick auto_(180);
    auto_.tick(working("cargo"), 0);
    auto_.tick({}, 10);
    ASSERT_TRUE(auto_.controller.graceUntil());
    EXPECT_EQ(auto_.tick(working("codex"), 60), AutoDecision::hold("codex"));
    EXPECT_EQ(auto_.controller.graceUntil(), std::nullopt);
    EXPECT_EQ(auto_.agents, KeepAwakeAgents::working(WorkloadKind::agent, "codex"));
    // The grace starts over from the next empty scan.
    AutoDecision again = auto_.tick({}, 10);
    EXPECT_EQ(again, AutoDecision::releaseAfterGrace(auto_.clock.now().plusSeconds(180)));
}

TEST(AutoModeController, with_no_grace_the_second_empty_scan_releases)
{
    AutoTick auto_(-30);
    EXPECT_EQ(auto_.controller.grace(), 0);
    auto_.tick(working(), 0);
    AutoDecision first = auto_.tick({}, 10);
    EXPECT_EQ(first, AutoDecision::releaseAfterGrace(auto_.clock.now()));
    EXPECT_EQ(auto_.tick({}, 10), AutoDecision::release(true));
}
