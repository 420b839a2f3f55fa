#pragma once
// The app's AlertPresenter: cards go through an AlertQueue (one visible,
// the others waiting by priority; repeats fold in as "×N"); ear alerts
// become short transient activities of the EarController. One timer is
// armed for the visible card's end and none while the pointer rests on it.

#include <functional>
#include <optional>
#include <string_view>

#include <QObject>
#include <QPointer>

#include "app/desktop/EarController.h"
#include "app/desktop/MovieModeWatcher.h"
#include "core/base/Scheduler.h"
#include "core/notch/AlertPresenter.h"
#include "core/notch/AlertQueue.h"

namespace corvane::app {

class CardPresenter final : public QObject, public AlertPresenter {
    Q_OBJECT
public:
    using TimeSensitivity = std::function<bool(std::string_view kind)>;

    CardPresenter(Scheduler& scheduler, const Clock& clock, EarController& ears, TimeSensitivity isTimeSensitive,
                  QObject* parent = nullptr);
    ~CardPresenter() override;

    void present(const PresentedAlert& alert) override;
    void update(const PresentedAlert& alert) override;

    // While it says the user watches a video, alerts and ears give way to
    // it; null: never.
    void setMovieMode(const MovieModeWatcher* watcher);

    const AlertQueue& queue() const { return queue_; }
    WallTime now() const { return clock_.now(); }

    void pointerEntered();
    void pointerLeft();
    void dismiss();

    // The ear an ear alert shows, and its activity id.
    static Activity earActivity(const PresentedAlert& alert, WallTime now);

signals:
    // The visible card changed, or its count or countdown state did.
    void cardChanged();

private:
    // A new alert or a repeat, as decided, unless movie mode holds it back.
    void show(PresentedAlert alert, const EventDecision& decision);
    void afterChange();

    Scheduler& scheduler_;
    const Clock& clock_;
    EarController& ears_;
    TimeSensitivity isTimeSensitive_;
    AlertQueue queue_;
    QPointer<const MovieModeWatcher> movieMode_;
    std::optional<Scheduler::TimerId> timer_;
};

}  // namespace corvane::app
