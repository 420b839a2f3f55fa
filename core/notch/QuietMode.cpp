#include "core/notch/QuietMode.h"

#include <cmath>
#include <vector>

#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

QuietMode::QuietMode(SettingsStore& settings, Scheduler& scheduler, const Clock& clock)
    : settings_(settings)
    , scheduler_(scheduler)
    , clock_(clock)
{
    subscription_ = settings_.subscribe([this](int) { storeChanged(); });
    if (auto end = until(); end && *end <= clock_.now())
        set(false);
    else
        storeChanged();
}

QuietMode::~QuietMode()
{
    settings_.unsubscribe(subscription_);
    cancelEnd();
}

bool QuietMode::isOn() const { return settings_.get(Keys::quietMode); }

std::optional<WallTime> QuietMode::until() const
{
    double end = settings_.get(Keys::quietUntil);
    if (!isOn() || !std::isfinite(end) || end <= 0)
        return std::nullopt;
    return WallTime::fromUnixSeconds(end);
}

void QuietMode::set(bool on, std::optional<double> durationSeconds)
{
    double end = 0;
    if (on && durationSeconds && std::isfinite(*durationSeconds) && *durationSeconds > 0)
        end = clock_.now().plusSeconds(*durationSeconds).unixSeconds();
    writing_ = true;
    settings_.set(Keys::quietMode, on);
    settings_.set(Keys::quietUntil, end);
    writing_ = false;
    known_ = stored();
    scheduleEnd();
    tellListeners(on);
}

QuietMode::Stored QuietMode::stored() const { return Stored{isOn(), until()}; }

void QuietMode::storeChanged()
{
    if (writing_)
        return;
    Stored now = stored();
    if (now == known_ && endTimer_.has_value() == now.until.has_value())
        return;
    known_ = now;
    scheduleEnd();
    tellListeners(now.on);
}

void QuietMode::tellListeners(bool on)
{
    // A listener may remove itself while being told.
    std::vector<Listener> listeners;
    for (const auto& [id, listener] : listeners_)
        listeners.push_back(listener);
    for (const auto& listener : listeners)
        listener(on);
}

QuietMode::ListenerID QuietMode::addListener(Listener listener)
{
    ListenerID id = nextListener_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void QuietMode::removeListener(ListenerID id) { listeners_.erase(id); }

void QuietMode::scheduleEnd()
{
    cancelEnd();
    auto end = until();
    if (!end)
        return;
    endTimer_ = scheduler_.schedule(end->secondsSince(clock_.now()), [this] {
        endTimer_.reset();
        set(false);
    });
}

void QuietMode::cancelEnd()
{
    if (endTimer_)
        scheduler_.cancel(*endTimer_);
    endTimer_.reset();
}

}  // namespace corvane
