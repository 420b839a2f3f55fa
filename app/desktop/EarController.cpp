#include "app/desktop/EarController.h"

#include <algorithm>

#include "app/desktop/MovieModeWatcher.h"
#include "core/notch/EarTransition.h"

namespace corvane::app {

EarController::EarController(Scheduler& scheduler, const Clock& clock, QObject* parent)
    : QObject(parent), scheduler_(scheduler), clock_(clock)
{
}

EarController::~EarController()
{
    if (timer_)
        scheduler_.cancel(*timer_);
}

void EarController::setOptions(const Options& options)
{
    if (options == options_)
        return;
    options_ = options;
    refresh();
}

void EarController::setMovieMode(const MovieModeWatcher* watcher)
{
    disconnect(movieModeChanges_);
    movieMode_ = watcher;
    if (watcher != nullptr)
        movieModeChanges_ = connect(watcher, &MovieModeWatcher::watchingChanged, this, &EarController::refresh);
    refresh();
}

void EarController::post(Activity activity)
{
    arbiter_.post(std::move(activity), clock_.now());
    refresh();
}

void EarController::remove(std::string_view id)
{
    if (arbiter_.remove(id))
        refresh();
}

void EarController::removeAll(std::string_view moduleID)
{
    if (arbiter_.removeAll(moduleID))
        refresh();
}

void EarController::handle(const InboundEar& inbound)
{
    WallTime now = clock_.now();
    if (const auto* request = inbound.request()) {
        inbound_.show(*request, now);
        Activity activity = InboundEar::activity(*request, now);
        if (request->openPath)
            openPaths_.insert_or_assign(activity.id, *request->openPath);
        else
            openPaths_.erase(activity.id);
        arbiter_.post(std::move(activity), now);
    } else if (const auto* clear = inbound.clear()) {
        for (const auto& id : inbound_.clear(clear->id))
            forgetInbound(id);
    }
    refresh();
}

std::optional<std::string> EarController::openPath(std::string_view activityID) const
{
    auto found = openPaths_.find(activityID);
    return found == openPaths_.end() ? std::nullopt : std::optional(found->second);
}

void EarController::forgetInbound(const std::string& id)
{
    std::string activityID = InboundEar::activityID(id);
    arbiter_.remove(activityID);
    openPaths_.erase(activityID);
}

void EarController::refresh()
{
    WallTime now = clock_.now();
    for (const auto& id : inbound_.expire(now))
        forgetInbound(id);
    arbiter_.prune(now);

    std::optional<ActivityArbiter> watching = whileWatching();
    const ActivityArbiter& shown = watching ? *watching : arbiter_;
    EarLineup lineup = shown.lineup(now, options_.front, options_.dual);
    bool animated = EarTransition::animates(lineup_.main, lineup.main);
    bool changed = lineup != lineup_;
    lineup_ = std::move(lineup);

    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    nextRefresh_ = shown.nextChange(now, options_.front);
    if (auto expiry = inbound_.nextExpiry())
        nextRefresh_ = nextRefresh_ ? std::min(*nextRefresh_, *expiry) : *expiry;
    if (nextRefresh_)
        timer_ = scheduler_.schedule(std::max(0.0, nextRefresh_->secondsSince(now)), [this] {
            timer_.reset();
            refresh();
        });
    if (changed)
        emit lineupChanged(animated);
}

std::optional<ActivityArbiter> EarController::whileWatching() const
{
    if (!movieMode_ || !movieMode_->watching())
        return std::nullopt;
    ActivityArbiter shown = arbiter_;
    for (const auto& [id, activity] : arbiter_.activities()) {
        if (!movieMode_->showsEar(activity))
            shown.remove(id);
    }
    return shown;
}

}  // namespace corvane::app
