#include "core/notch/AlertQueue.h"

#include <algorithm>

namespace corvane {

namespace {

bool sameAlert(const PresentedAlert& a, const PresentedAlert& b)
{
    return a.kind == b.kind && a.coalesceKey == b.coalesceKey;
}

}  // namespace

std::string AlertQueue::repeatBadge(int count) { return count >= 2 ? "×" + std::to_string(count) : std::string(); }

AlertQueue::Outcome AlertQueue::present(PresentedAlert alert, int priority, WallTime now)
{
    Card card{.alert = std::move(alert), .priority = priority, .queuedAt = now};
    if (!shouldReplace(visible_ ? std::optional(visible_->priority) : std::nullopt, priority)) {
        enqueue(std::move(card));
        return Outcome::waiting;
    }
    card.countdown = AlertCountdown::started(card.alert.duration, now);
    visible_ = std::move(card);
    return Outcome::shown;
}

AlertQueue::Outcome AlertQueue::update(const PresentedAlert& alert, int priority, WallTime now)
{
    if (visible_ && sameAlert(visible_->alert, alert)) {
        bool paused = visible_->countdown.isPaused();
        visible_->alert = alert;
        visible_->countdown = AlertCountdown::started(alert.duration, now);
        if (paused)
            visible_->countdown.pause(now);
        return Outcome::updated;
    }
    auto waiting = std::find_if(waiting_.begin(), waiting_.end(), [&](const Card& card) { return sameAlert(card.alert, alert); });
    if (waiting != waiting_.end()) {
        waiting->alert = alert;
        waiting->queuedAt = now;
        return Outcome::updated;
    }
    return present(alert, priority, now);
}

void AlertQueue::enqueue(Card card)
{
    auto position = std::find_if(waiting_.begin(), waiting_.end(),
                                 [&](const Card& other) { return other.priority < card.priority; });
    waiting_.insert(position, std::move(card));
    if (waiting_.size() > maxWaiting)
        waiting_.pop_back();
}

void AlertQueue::pointerEntered(WallTime now)
{
    if (visible_)
        visible_->countdown.pause(now);
}

void AlertQueue::pointerLeft(WallTime now)
{
    if (visible_)
        visible_->countdown.resume(now);
}

bool AlertQueue::tick(WallTime now)
{
    if (!visible_ || !visible_->countdown.isExpired(now))
        return false;
    showNext(now);
    return true;
}

void AlertQueue::dismiss(WallTime now) { showNext(now); }

void AlertQueue::showNext(WallTime now)
{
    visible_.reset();
    std::erase_if(waiting_, [now](const Card& card) { return now.secondsSince(card.queuedAt) >= card.alert.duration; });
    if (waiting_.empty())
        return;
    Card next = std::move(waiting_.front());
    waiting_.erase(waiting_.begin());
    next.countdown = AlertCountdown::started(next.alert.duration, now);
    visible_ = std::move(next);
}

std::optional<WallTime> AlertQueue::nextDeadline() const
{
    if (!visible_ || visible_->countdown.isPaused())
        return std::nullopt;
    return visible_->countdown.deadline;
}

}  // namespace corvane
