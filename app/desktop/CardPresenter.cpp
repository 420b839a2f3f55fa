#include "app/desktop/CardPresenter.h"

#include <algorithm>

namespace corvane::app {

CardPresenter::CardPresenter(Scheduler& scheduler, const Clock& clock, EarController& ears,
                             TimeSensitivity isTimeSensitive, QObject* parent)
    : QObject(parent), scheduler_(scheduler), clock_(clock), ears_(ears), isTimeSensitive_(std::move(isTimeSensitive))
{
}

CardPresenter::~CardPresenter()
{
    if (timer_)
        scheduler_.cancel(*timer_);
}

Activity CardPresenter::earActivity(const PresentedAlert& alert, WallTime now)
{
    std::string symbol = alert.ear ? alert.ear->symbol : std::string("bell.fill");
    std::string text = alert.ear ? alert.ear->text : alert.title;
    if (std::string badge = AlertQueue::repeatBadge(alert.count); !badge.empty())
        text += " " + badge;
    return Activity{
        .id = "alert." + alert.kind + "." + alert.coalesceKey,
        .moduleID = alert.moduleID,
        .kind = alert.kind,
        // Ear alerts are news: they outrank the ongoing activities of their module.
        .priority = AlertQueue::ordinaryPriority,
        .left = EarContent::symbol(std::move(symbol)),
        .right = EarContent::text(std::move(text)),
        .tintHex = alert.card ? std::optional(alert.card->tintHex) : std::nullopt,
        .createdAt = now,
        .expiresAt = now.plusSeconds(std::max(0.5, alert.duration)),
        .detail = alert.body.empty() ? std::nullopt : std::optional(alert.body),
    };
}

void CardPresenter::setMovieMode(const MovieModeWatcher* watcher)
{
    movieMode_ = watcher;
    ears_.setMovieMode(watcher);
}

void CardPresenter::present(const PresentedAlert& alert)
{
    show(alert, EventDecision::show(alert.surface, alert.duration));
}

void CardPresenter::update(const PresentedAlert& alert) { show(alert, EventDecision::coalesce(alert.count)); }

void CardPresenter::show(PresentedAlert alert, const EventDecision& decision)
{
    if (movieMode_) {
        auto style = movieMode_->shownAs(decision, alert.surface, alert.kind);
        if (!style)
            return;
        alert.surface = *style;
    }
    WallTime now = clock_.now();
    if (alert.surface == EventStyle::ear) {
        ears_.post(earActivity(alert, now));
        return;
    }
    int priority = AlertQueue::priority(isTimeSensitive_(alert.kind));
    if (decision.as<EventDecision::Coalesce>() != nullptr)
        queue_.update(alert, priority, now);
    else
        queue_.present(alert, priority, now);
    afterChange();
}

void CardPresenter::pointerEntered()
{
    queue_.pointerEntered(clock_.now());
    afterChange();
}

void CardPresenter::pointerLeft()
{
    queue_.pointerLeft(clock_.now());
    afterChange();
}

void CardPresenter::dismiss()
{
    queue_.dismiss(clock_.now());
    afterChange();
}

void CardPresenter::afterChange()
{
    queue_.tick(clock_.now());
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    if (auto deadline = queue_.nextDeadline()) {
        timer_ = scheduler_.schedule(std::max(0.0, deadline->secondsSince(clock_.now())), [this] {
            timer_.reset();
            afterChange();
        });
    }
    emit cardChanged();
}

}  // namespace corvane::app
