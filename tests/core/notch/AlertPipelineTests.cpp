#include <gtest/gtest.h>

#include "core/base/Scheduler.h"
#include "core/notch/AlertCenter.h"
#include "core/notch/DefaultsDomain.h"
#include "core/notch/EventSettings.h"
#include "core/notch/Keys.h"
#include "core/notch/ModuleContext.h"
#include "core/notch/SettingsStore.h"
#include "tests/core/notch/RecordingAlertOutlets.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

class AlertPipelineTest : public ::testing::Test {
protected:
    static AlertPost alert(std::string kind, std::string title, std::optional<std::string> key = std::nullopt)
    {
        AlertPost post;
        post.kind = std::move(kind);
        post.title = std::move(title);
        post.key = std::move(key);
        return post;
    }

    std::vector<std::string> historyKinds() const
    {
        std::vector<std::string> kinds;
        for (const auto& record : alerts.history().records)
            kinds.push_back(record.kind);
        return kinds;
    }

    ManualClock clock{WallTime::fromUnixSeconds(1'700'000'000)};
    ManualScheduler scheduler{clock};
    MemoryDefaultsDomain defaults;
    SettingsStore settings{defaults};
    AlertCenter alerts{{.dataFolder = "/nonexistent", .persists = false}, scheduler, clock, Calendar::utc(),
                       [this](std::string_view kind) { return isTimeSensitive(settings, kind); }};
    EventCenter events{settings};
    RecordingPresenter presenter;
    RecordingDelivery delivery;
    RecordingSoundPlayer sounds;
    AlertPipeline pipeline{settings, alerts, events, {presenter, delivery, sounds}, clock};
    ModuleContext ai{"ai", pipeline};
    ModuleContext vitals{"vitals", pipeline};
    ModuleContext clipboard{"clipboard", pipeline};
};

}  // namespace

TEST_F(AlertPipelineTest, a_finished_agent_is_recorded_shown_as_a_card_and_chimes)
{
    auto post = alert("ai.finished", "Claude Code finished", "session-1");
    post.body = "Refactored the parser";
    post.action = AlertRecord::Action::open("ai");
    EXPECT_EQ(ai.post(post), EventDecision::show(EventStyle::card, 6));

    ASSERT_EQ(alerts.history().records.size(), 1u);
    const auto& record = alerts.history().records.front();
    EXPECT_EQ(std::tie(record.moduleID, record.text), std::tie("ai", "Refactored the parser"));
    EXPECT_EQ(record.action, post.action);
    ASSERT_EQ(presenter.presented.size(), 1u);
    EXPECT_EQ(presenter.presented[0].surface, EventStyle::card);
    EXPECT_EQ(sounds.played, (std::vector<std::pair<NotchSound, double>>{{NotchSound::success, 0.6}}));
    EXPECT_TRUE(delivery.notifications.empty());  // not a notifying kind by default
}

TEST_F(AlertPipelineTest, a_repeat_updates_the_visible_ear_and_keeps_it_up_longer)
{
    vitals.post(alert("vitals.cpuBusy", "CPU busy", "cpu"));
    clock.advance(2);
    EXPECT_EQ(vitals.post(alert("vitals.cpuBusy", "CPU busy", "cpu")), EventDecision::coalesce(2));

    ASSERT_EQ(presenter.updated.size(), 1u);
    EXPECT_EQ(presenter.updated[0].surface, EventStyle::ear);
    EXPECT_EQ(presenter.updated[0].count, 2);
    EXPECT_EQ(events.earUntil(), clock.now().plusSeconds(6));
    EXPECT_EQ(historyKinds(), (std::vector<std::string>{"vitals.cpuBusy", "vitals.cpuBusy"}));
}

TEST_F(AlertPipelineTest, an_ear_kind_becomes_a_card_when_the_kind_or_its_module_keeps_out_of_the_ears)
{
    vitals.post(alert("vitals.hot", "Running hot", "a"));
    settings.set(AlertSwitch::ears("vitals.cpuBusy", true), false);
    vitals.post(alert("vitals.cpuBusy", "CPU busy", "b"));
    settings.set(ModuleSwitch::ears("vitals"), false);
    vitals.post(alert("vitals.memoryPressure", "Memory", "c"));

    ASSERT_EQ(presenter.presented.size(), 3u);
    EXPECT_EQ(presenter.presented[0].surface, EventStyle::ear);
    EXPECT_EQ(presenter.presented[1].surface, EventStyle::card);
    EXPECT_EQ(presenter.presented[2].surface, EventStyle::card);
}

TEST_F(AlertPipelineTest, notifications_phone_and_away_follow_their_switches)
{
    RecordingAwayForwarder away;
    pipeline.setPhoneDelivery(&delivery);
    pipeline.setAwayForwarder(&away);
    settings.set(AlertSwitch::notify("ai.stuck", false), true);
    settings.set(AlertSwitch::phone("ai.stuck"), true);

    vitals.post(alert("vitals.hot", "Running hot"));  // notifies by default
    ai.post(alert("ai.stuck", "Waiting", "s1"));
    ai.post(alert("ai.working", "Working", "s1"));
    auto secret = alert("ai.finished", "Secret");
    secret.isPrivate = true;
    ai.post(secret);
    pipeline.setAwayForwarder(nullptr);

    ASSERT_EQ(delivery.notifications.size(), 2u);
    EXPECT_FALSE(delivery.notifications[0].timeSensitive);
    EXPECT_EQ(delivery.notifications[1].kind, "ai.stuck");
    EXPECT_TRUE(delivery.notifications[1].timeSensitive);
    EXPECT_EQ(delivery.phone, std::vector<ExternalAlert>{delivery.notifications[1]});
    EXPECT_EQ(away.seen.size(), 3u);  // everything but the private alert
}

TEST_F(AlertPipelineTest, muting_keeps_the_history_but_shows_and_plays_nothing)
{
    settings.set(Keys::muteAll, true);
    ai.post(alert("ai.finished", "Done", "s"));
    vitals.post(alert("vitals.diskFull", "Disk almost full"));

    EXPECT_EQ(historyKinds(), (std::vector<std::string>{"vitals.diskFull", "ai.finished"}));
    EXPECT_TRUE(presenter.presented.empty());
    EXPECT_TRUE(sounds.played.empty());
    // A system notification is the user's explicit per-kind choice and still goes out.
    EXPECT_EQ(delivery.notifications.size(), 1u);
}

TEST_F(AlertPipelineTest, dropped_and_quiet_alerts_go_nowhere_but_quiet_ones_are_remembered)
{
    auto copy = alert("clipboard.copied", "Copied");
    clipboard.post(copy);  // actionable mode hides plain copies
    settings.set(Keys::copyToastMode, CopyToastMode::all);
    clipboard.post(copy);  // shown, yet this kind keeps no history
    settings.set(Keys::quietMode, true);
    ai.post(alert("ai.finished", "Done", "s"));

    EXPECT_EQ(presenter.presented.size(), 1u);
    EXPECT_EQ(historyKinds(), (std::vector<std::string>{"ai.finished"}));
    EXPECT_TRUE(sounds.played.empty());  // the copy tick is off by default, quiet keeps the chime back
}

TEST_F(AlertPipelineTest, sounds_keep_ten_seconds_apart_and_stop_during_a_call)
{
    ai.post(alert("ai.finished", "One", "a"));
    clock.advance(5);
    ai.post(alert("ai.finished", "Two", "b"));
    clock.advance(5);
    pipeline.setInCall(true);
    ai.post(alert("ai.finished", "Three", "c"));
    pipeline.setInCall(false);
    settings.set(Keys::soundsVolume, 0.25);
    ai.post(alert("ai.finished", "Four", "d"));

    EXPECT_EQ(sounds.played,
              (std::vector<std::pair<NotchSound, double>>{{NotchSound::success, 0.6}, {NotchSound::success, 0.25}}));
}
