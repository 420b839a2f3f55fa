#pragma once
// Owns the ActivityArbiter: sources post and remove live activities, the
// inbound-ear URL adds its own, and the island draws the lineup. Nothing
// polls: after every change one timer is armed for the arbiter's next
// change (or an inbound ear's end), and the lineup is recomputed then.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <QObject>
#include <QPointer>

#include "core/base/Scheduler.h"
#include "core/base/Time.h"
#include "core/notch/ActivityArbiter.h"
#include "core/notch/InboundEar.h"

namespace corvane::app {

class MovieModeWatcher;

class EarController final : public QObject {
    Q_OBJECT
public:
    // What the settings say about sharing the ears.
    struct Options {
        MusicFront front = MusicFront::off();
        bool dual = true;  // "notch.dualEars"
        bool operator==(const Options&) const = default;
    };

    EarController(Scheduler& scheduler, const Clock& clock, QObject* parent = nullptr);
    ~EarController() override;

    const EarLineup& lineup() const { return lineup_; }
    const ActivityArbiter& arbiter() const { return arbiter_; }
    // When the armed timer fires; none while nothing can change.
    std::optional<WallTime> nextRefresh() const { return nextRefresh_; }

    void setOptions(const Options& options);
    // While it says the user watches a video, the ears show only what may
    // interrupt it; null: everything shows.
    void setMovieMode(const MovieModeWatcher* watcher);
    void post(Activity activity);
    void remove(std::string_view id);
    void removeAll(std::string_view moduleID);
    // Shows or clears inbound ears.
    void handle(const InboundEar& inbound);
    // The file a click on this activity opens: an inbound ear's "open" path.
    std::optional<std::string> openPath(std::string_view activityID) const;

signals:
    // `animated`: the main ear changed owner, not only content.
    void lineupChanged(bool animated);

private:
    void refresh();
    void forgetInbound(const std::string& id);
    // While the user watches a video, the activities that may still take
    // the ears; none otherwise, when all of them may.
    std::optional<ActivityArbiter> whileWatching() const;

    Scheduler& scheduler_;
    const Clock& clock_;
    Options options_;
    QPointer<const MovieModeWatcher> movieMode_;
    QMetaObject::Connection movieModeChanges_;
    ActivityArbiter arbiter_;
    InboundEarBook inbound_;
    std::map<std::string, std::string, std::less<>> openPaths_;  // activity id -> path
    EarLineup lineup_;
    std::optional<Scheduler::TimerId> timer_;
    std::optional<WallTime> nextRefresh_;
};

}  // namespace corvane::app
