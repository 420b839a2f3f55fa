#include <gtest/gtest.h>

#include "core/notch/AlertQueue.h"

using namespace corvane;

namespace {

WallTime at(double seconds) { return WallTime::fromReferenceSeconds(790'000'000 + seconds); }

PresentedAlert alert(std::string kind, std::string key, double duration = 6, int count = 1)
{
    return PresentedAlert{.kind = std::move(kind), .moduleID = "m", .coalesceKey = std::move(key), .title = "t",
                          .body = "", .date = at(0), .duration = duration, .count = count, .card = std::nullopt,
                          .ear = std::nullopt, .action = std::nullopt};
}

std::string visibleKind(const AlertQueue& queue) { return queue.visible() ? queue.visible()->alert.kind : ""; }

}  // namespace

TEST(AlertQueue, a_card_replaces_one_of_equal_or_lower_rank_and_otherwise_waits_its_turn)
{
    EXPECT_TRUE(AlertQueue::shouldReplace(std::nullopt, 0));
    EXPECT_TRUE(AlertQueue::shouldReplace(50, 50));
    EXPECT_FALSE(AlertQueue::shouldReplace(100, 50));

    AlertQueue queue;
    int ordinary = AlertQueue::priority(false);
    int urgent = AlertQueue::priority(true);
    EXPECT_EQ(queue.present(alert("ai.finished", "api"), ordinary, at(0)), AlertQueue::Outcome::shown);
    EXPECT_EQ(queue.present(alert("calendar.meeting", "standup", 10), urgent, at(1)), AlertQueue::Outcome::shown);
    EXPECT_EQ(queue.present(alert("git.ciFail", "web"), ordinary, at(2)), AlertQueue::Outcome::waiting);
    EXPECT_EQ(queue.present(alert("timers.done", "tea", 20), ordinary, at(3)), AlertQueue::Outcome::waiting);
    EXPECT_EQ(visibleKind(queue), "calendar.meeting");
    EXPECT_EQ(queue.nextDeadline(), at(11));

    // The meeting card runs out at 11: the CI card waited 9 s, longer than its
    // 6 s on screen, so the timer card shows next, for its whole time.
    EXPECT_FALSE(queue.tick(at(10)));
    EXPECT_TRUE(queue.tick(at(11)));
    EXPECT_EQ(visibleKind(queue), "timers.done");
    EXPECT_EQ(queue.nextDeadline(), at(31));
    EXPECT_TRUE(queue.waiting().empty());
    queue.dismiss(at(12));
    EXPECT_FALSE(queue.visible());
}

TEST(AlertQueue, a_repeat_shows_its_count_and_restarts_the_time_also_while_paused_or_waiting)
{
    EXPECT_EQ(AlertQueue::repeatBadge(1), "");
    EXPECT_EQ(AlertQueue::repeatBadge(3), "×3");

    AlertQueue queue;
    queue.present(alert("devServers.down", ":3000"), 50, at(0));
    EXPECT_EQ(queue.update(alert("devServers.down", ":3000", 6, 2), 50, at(4)), AlertQueue::Outcome::updated);
    EXPECT_EQ(queue.visible()->alert.count, 2);
    EXPECT_EQ(queue.nextDeadline(), at(10));

    // Pointing at the card pauses it; a repeat meanwhile keeps it paused with its full time.
    queue.pointerEntered(at(5));
    EXPECT_EQ(queue.nextDeadline(), std::nullopt);
    queue.update(alert("devServers.down", ":3000", 6, 3), 50, at(20));
    EXPECT_FALSE(queue.tick(at(100)));
    queue.pointerLeft(at(100));
    EXPECT_EQ(queue.nextDeadline(), at(106));

    queue.present(alert("ai.stuck", "api"), 40, at(101));
    EXPECT_EQ(queue.update(alert("ai.stuck", "api", 6, 2), 40, at(104)), AlertQueue::Outcome::updated);
    EXPECT_EQ(queue.waiting().front().alert.count, 2);
    EXPECT_EQ(queue.waiting().front().queuedAt, at(104));

    // A repeat of a card that is gone shows anew.
    queue.dismiss(at(105));
    queue.dismiss(at(105));
    EXPECT_EQ(queue.update(alert("devServers.down", ":3000", 6, 4), 50, at(106)), AlertQueue::Outcome::shown);
}

TEST(AlertQueue, at_most_eight_cards_wait_and_the_lowest_ranked_newest_goes_first)
{
    AlertQueue queue;
    queue.present(alert("urgent", "0"), 100, at(0));
    for (int i = 0; i < 8; ++i)
        queue.present(alert("k" + std::to_string(i), "x", 60), 50, at(i));
    queue.present(alert("high", "x", 60), 90, at(9));
    EXPECT_EQ(queue.waiting().size(), 8u);
    EXPECT_EQ(queue.waiting().front().alert.kind, "high");
    EXPECT_EQ(queue.waiting().back().alert.kind, "k6");
}
