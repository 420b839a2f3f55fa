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

void CardPresenter::present(const PresentedAlert& alert)
{
    WallTime now = clock_.now();
    if (alert.surface == EventStyle::ear) {
        ears_.post(earActivity(alert, now));
        return;
    }
    queue_.present(alert, AlertQueue::priority(isTimeSensitive_(alert.kind)), now);
    afterChange();
}

void CardPresenter::update(const PresentedAlert& alert)
{
    WallTime now = clock_.now();
    if (alert.surface == EventStyle::ear) {
        ears_.post(earActivity(alert, now));
        return;
    }
    queue_.update(alert, AlertQueue::priority(isTimeSensitive_(alert.kind)), now);
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
