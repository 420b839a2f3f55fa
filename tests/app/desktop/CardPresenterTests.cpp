#include <gtest/gtest.h>

#include <QEvent>
#include <QMouseEvent>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/CardPresenter.h"
#include "app/desktop/CardWindow.h"
#include "core/notch/AlertPost.h"
#include "platform/fake/RecordingOpener.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::EventStyle;
using corvane::ManualClock;
using corvane::ManualScheduler;
using corvane::PresentedAlert;
using corvane::WallTime;
using corvane::app::AppEnvironment;
using corvane::app::CardPresenter;
using corvane::app::CardWindow;
using corvane::app::EarController;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;

namespace {

const WallTime start = WallTime::fromReferenceSeconds(800'000'000);

PresentedAlert alert(std::string kind, std::string title, EventStyle surface = EventStyle::card)
{
    return PresentedAlert{.surface = surface,
                          .kind = std::move(kind),
                          .moduleID = "ai",
                          .coalesceKey = "key",
                          .title = std::move(title),
                          .body = {},
                          .date = start,
                          .duration = 6,
                          .count = 1,
                          .card = std::nullopt,
                          .ear = std::nullopt,
                          .action = std::nullopt};
}

struct Cards {
    ManualClock clock{start};
    ManualScheduler scheduler{clock};
    EarController ears{scheduler, clock};
    CardPresenter presenter{scheduler, clock, ears, [](std::string_view kind) { return kind == "calendar.meeting"; }};
    corvane::platform::RecordingOpener opener;
    corvane::app::AlertActions actions{opener};

    std::string visibleTitle() const
    {
        const auto& visible = presenter.queue().visible();
        return visible ? visible->alert.title : std::string();
    }
};

}  // namespace

TEST(CardPresenter, a_card_pauses_under_the_pointer_and_finishes_its_time_after_it_leaves)
{
    Cards cards;
    CardWindow window(cards.presenter, cards.actions);
    cards.presenter.present(alert("ai.finished", "Claude finished"));
    ASSERT_EQ(cards.visibleTitle(), "Claude finished");
    cards.scheduler.advance(2);

    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_EQ(cards.scheduler.pendingTimers(), 0u) << "no timer runs while paused";
    cards.scheduler.advance(60);
    EXPECT_EQ(cards.visibleTitle(), "Claude finished");

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&window, &leave);
    cards.scheduler.advance(3.9);
    EXPECT_EQ(cards.visibleTitle(), "Claude finished");
    cards.scheduler.advance(0.1);
    EXPECT_EQ(cards.visibleTitle(), "");
}

TEST(CardPresenter, a_click_closes_the_card_and_runs_its_action_only_when_it_can_act)
{
    Cards cards;
    CardWindow window(cards.presenter, cards.actions);
    auto click = [&] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 20), QPointF(20, 20), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &press);
    };
    auto site = alert("git.ciFail", "CI failed");
    site.action = corvane::AlertRecord::Action::openURL("https://ci.example/build/7");
    cards.presenter.present(site);
    click();
    EXPECT_EQ(cards.visibleTitle(), "");
    ASSERT_EQ(cards.opener.opened.size(), 1u);
    EXPECT_EQ(cards.opener.opened[0].text(), "https://ci.example/build/7");

    auto hostile = alert("git.ciFail", "CI failed");
    hostile.action = corvane::AlertRecord::Action::openURL("file:///etc/passwd");
    cards.presenter.present(hostile);
    click();
    EXPECT_EQ(cards.visibleTitle(), "");
    EXPECT_EQ(cards.opener.opened.size(), 1u);
}

TEST(CardPresenter, repeats_count_up_and_a_time_sensitive_card_is_not_pushed_aside)
{
    Cards cards;
    auto meeting = alert("calendar.meeting", "Standup in 1 min");
    cards.presenter.present(meeting);
    meeting.count = 3;
    cards.presenter.update(meeting);
    ASSERT_TRUE(cards.presenter.queue().visible());
    EXPECT_EQ(corvane::AlertQueue::repeatBadge(cards.presenter.queue().visible()->alert.count), "×3");

    cards.scheduler.advance(1);
    cards.presenter.present(alert("ai.finished", "Claude finished"));
    EXPECT_EQ(cards.visibleTitle(), "Standup in 1 min");
    cards.scheduler.advance(5);
    EXPECT_EQ(cards.visibleTitle(), "Claude finished") << "the waiting card follows";

    cards.presenter.present(alert("calendar.meeting", "Review in 1 min"));
    EXPECT_EQ(cards.visibleTitle(), "Review in 1 min") << "a higher priority replaces at once";
}

TEST(CardPresenter, an_ear_alert_takes_the_ears_for_its_duration_instead_of_a_card)
{
    Cards cards;
    auto copied = alert("clipboard.copied", "Copied", EventStyle::ear);
    copied.moduleID = "clipboard";
    copied.ear = corvane::EarPayload{"doc.on.clipboard", "Copied link"};
    cards.presenter.present(copied);
    EXPECT_FALSE(cards.presenter.queue().visible());
    ASSERT_TRUE(cards.ears.lineup().main);
    EXPECT_EQ(cards.ears.lineup().main->right, corvane::EarContent::text("Copied link"));
    cards.scheduler.advance(6);
    EXPECT_FALSE(cards.ears.lineup().main);
}

TEST(CardPresenter, an_event_raised_through_the_pipeline_shows_a_card)
{
    TemporaryFolder folder;
    auto paths = harnessPaths(folder.path());
    AppEnvironment environment(paths);
    corvane::AlertPost finished;
    finished.kind = "ai.finished";
    finished.title = "Claude finished";
    environment.pipeline().post("ai", finished);
    const auto& visible = environment.cards().queue().visible();
    ASSERT_TRUE(visible);
    EXPECT_EQ(visible->alert.title, "Claude finished");
    EXPECT_EQ(CardWindow::planOf(visible->alert).brand, corvane::Brand::claude);
}
