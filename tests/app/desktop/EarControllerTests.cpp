#include <fstream>

#include <gtest/gtest.h>

#include "app/desktop/AppDelegate.h"
#include "app/desktop/EarController.h"
#include "core/notch/InboundEar.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::Activity;
using corvane::EarContent;
using corvane::InboundEar;
using corvane::ManualClock;
using corvane::ManualScheduler;
using corvane::WallTime;
using corvane::app::AppDelegate;
using corvane::app::EarController;
using corvane::testing::harnessPaths;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;

namespace {

const WallTime start = WallTime::fromReferenceSeconds(800'000'003);

Activity working(std::string id, std::string moduleID, int priority)
{
    return Activity{.id = std::move(id),
                    .moduleID = std::move(moduleID),
                    .kind = "ai.working",
                    .priority = priority,
                    .left = EarContent::symbol("sparkles"),
                    .right = EarContent::text("Working"),
                    .createdAt = start};
}

std::optional<InboundEar> parsed(std::string_view url)
{
    return InboundEar::parse(url, [](std::string_view) { return false; }, InboundEar::isExecutableFile);
}

struct Ears {
    ManualClock clock{start};
    ManualScheduler scheduler{clock};
    EarController controller{scheduler, clock};

    // One timer, due at the arbiter's own next change; none when nothing can change.
    void expectArmedForArbitersNextChange()
    {
        auto next = controller.arbiter().nextChange(clock.now());
        if (!next) {
            EXPECT_EQ(scheduler.pendingTimers(), 0u);
            return;
        }
        EXPECT_EQ(scheduler.pendingTimers(), 1u);
        EXPECT_DOUBLE_EQ(scheduler.nextDelay(), next->secondsSince(clock.now()));
    }
};

}  // namespace

TEST(EarController, keeps_exactly_one_timer_armed_for_the_arbiters_next_change)
{
    Ears ears;
    ears.controller.post(working("agent.1", "ai", 50));
    ears.expectArmedForArbitersNextChange();

    auto alert = working("alert.1", "devServers", 60);
    alert.expiresAt = start.plusSeconds(6);
    ears.controller.post(alert);
    ears.expectArmedForArbitersNextChange();

    // Two equal ongoing activities of other modules take turns on the clock's rotation steps.
    ears.controller.post(working("agent.2", "timers", 50));
    ears.expectArmedForArbitersNextChange();

    for (int step = 0; step < 3; ++step) {
        ASSERT_EQ(ears.scheduler.pendingTimers(), 1u);
        ears.scheduler.advance(ears.scheduler.nextDelay());
        ears.expectArmedForArbitersNextChange();
    }
}

TEST(EarController, an_expired_ear_leaves_the_lineup_when_its_timer_fires)
{
    Ears ears;
    std::vector<bool> changed;  // `animated` of each change
    QObject::connect(&ears.controller, &EarController::lineupChanged, [&](bool animated) { changed.push_back(animated); });
    auto alert = working("alert.1", "devServers", 60);
    alert.expiresAt = start.plusSeconds(4);
    ears.controller.post(alert);
    ASSERT_TRUE(ears.controller.lineup().main);
    EXPECT_EQ(changed, std::vector<bool>{true}) << "a new owner slides in";

    ears.scheduler.advance(3.9);
    EXPECT_TRUE(ears.controller.lineup().main);
    ears.scheduler.advance(0.1);
    EXPECT_FALSE(ears.controller.lineup().main);
    EXPECT_EQ(changed, (std::vector<bool>{true, true}));
    EXPECT_EQ(ears.scheduler.pendingTimers(), 0u);
}

TEST(EarController, an_inbound_ear_shows_until_its_ttl_and_a_clear_takes_it_away_early)
{
    Ears ears;
    ears.controller.handle(*parsed("lunebox://ear?text=Build%20done&ttl=5"));
    ASSERT_TRUE(ears.controller.lineup().main);
    EXPECT_EQ(ears.controller.lineup().main->right, EarContent::text("Build done"));
    EXPECT_EQ(ears.controller.lineup().main->left, EarContent::symbol("terminal"));
    ears.scheduler.advance(5);
    EXPECT_FALSE(ears.controller.lineup().main);

    ears.controller.handle(*parsed("lunebox://ear?text=Deploying&id=deploy&ttl=600"));
    ears.controller.handle(*parsed("lunebox://ear?text=Tests&id=tests&ttl=600"));
    ears.controller.handle(*parsed("lunebox://ear/clear?id=deploy"));
    EXPECT_EQ(ears.controller.arbiter().activities().size(), 1u);
    ears.controller.handle(*parsed("lunebox://ear?clear"));
    EXPECT_FALSE(ears.controller.lineup().main);
    EXPECT_EQ(ears.scheduler.pendingTimers(), 0u);
}

TEST(EarController, a_hostile_ear_url_reaching_the_running_app_shows_a_safe_ear_that_goes_after_its_ttl)
{
    TemporaryFolder folder;
    auto paths = harnessPaths(folder.path());
    AppDelegate delegate(paths);
    auto& ears = delegate.environment().ears();

    delegate.launch({QStringLiteral("lunebox://ear?text=%1B%5B2Jrm%20-rf&symbol=../../bin/sh&open=/bin/sh&tint=red&ttl=0.3")});
    ASSERT_TRUE(ears.lineup().main);
    const Activity& shown = *ears.lineup().main;
    EXPECT_EQ(shown.left, EarContent::symbol("terminal"));
    const auto* text = shown.right.as<EarContent::Text>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text.find('\x1b'), std::string::npos) << "control characters never reach the screen";
    EXPECT_FALSE(shown.tintHex);
    EXPECT_TRUE(runEventsUntil([&] { return !ears.lineup().main; }, std::chrono::seconds(5)));

    // Not an ear at all: nothing shows.
    delegate.open({QStringLiteral("lunebox://ear?symbol=hammer")});
    EXPECT_FALSE(ears.lineup().main);
}

TEST(EarController, an_inbound_ear_keeps_its_file_to_open_until_it_goes)
{
    TemporaryFolder folder;
    std::string notes = (folder / "notes.txt").string();
    std::ofstream(notes) << "notes";
    Ears ears;
    ears.controller.handle(*parsed("lunebox://ear?text=Report%20ready&id=report&ttl=5&open=" + notes));
    ears.controller.handle(*parsed("lunebox://ear?text=Tests&id=tests&ttl=60"));
    EXPECT_EQ(ears.controller.openPath(InboundEar::activityID("report")), notes);
    EXPECT_EQ(ears.controller.openPath(InboundEar::activityID("tests")), std::nullopt);

    // The same id again without a file forgets it; expiry and clearing too.
    ears.controller.handle(*parsed("lunebox://ear?text=Report%20ready&id=report&ttl=5"));
    EXPECT_EQ(ears.controller.openPath(InboundEar::activityID("report")), std::nullopt);
    ears.controller.handle(*parsed("lunebox://ear?text=Report%20ready&id=report&ttl=5&open=" + notes));
    ears.scheduler.advance(5);
    EXPECT_EQ(ears.controller.openPath(InboundEar::activityID("report")), std::nullopt);
    ears.controller.handle(*parsed("lunebox://ear?text=Tests&id=tests&ttl=60&open=" + notes));
    ears.controller.handle(*parsed("lunebox://ear/clear"));
    EXPECT_EQ(ears.controller.openPath(InboundEar::activityID("tests")), std::nullopt);
}
