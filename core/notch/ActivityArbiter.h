#pragma once
// Decides which live activity owns the ears. A value: the owner posts and
// removes activities, asks for the lineup, and schedules one timer for
// `nextChange` instead of polling.
//
// How the main ear is chosen at `now`, in this order:
//
// 1. Candidates: activities that have not expired and whose `showsAfter`
//    has passed. An activity whose `yieldsTo` names another activity that
//    has not expired steps aside while that one exists, shown yet or not;
//    yields that lead round in a circle cancel out.
// 2. Base order: higher `priority` first. Within one priority, activities
//    waiting for the user come first (the longest waiting first), then
//    transient ones (ear alerts, confirmations) before ongoing ones, the
//    newest transient first; the rest by `id`.
// 3. Music in front (`MusicFront.on`, while a "media.nowplaying" activity
//    is a candidate): ongoing activities that are not waiting for the user
//    step behind the music, whatever their priority. Alerts and waiting
//    activities keep their place. An ongoing activity still gets a glance
//    during its first `glanceSeconds` after it was posted, and, when
//    `glanceMinutes` is set, all of them do during the first
//    `glanceSeconds` of every `glanceMinutes` period of the clock.
// 4. Protection: the activity now in front keeps the ear from one posted
//    after it only when it was posted less than SmartEars::protectedFor ago
//    and has at least the newcomer's priority; the newcomer then waits, at
//    most SmartEars::maxWait. Kinds the user caused
//    (SmartEars::userEventKinds) never wait.
// 5. Rotation: when no protection holds, the leading ongoing activities of
//    equal priority that are not waiting (and are not the music in front)
//    have equal standing and take turns every `rotation` seconds, aligned
//    to the clock so that every caller shows the same one.
//
// A repost of an id with the same kind keeps its first `createdAt`: an
// update of an ongoing activity is not news, and must neither renew its
// protection nor earn it another glance.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Time.h"
#include "core/notch/Activity.h"
#include "core/notch/EarLineup.h"
#include "core/notch/MusicFront.h"

namespace corvane {

class ActivityArbiter {
public:
    // The most activities held at once; past it the weakest (lowest
    // priority, then the oldest) is dropped.
    static constexpr std::size_t maxActivities = 64;
    static constexpr double rotationInterval = 8.0;  // seconds

    // Seconds until the next rotation step: steps fall on whole multiples
    // of `period` seconds since 1 January 2001.
    static double untilNextRotation(WallTime now, double period = rotationInterval);

    const std::map<std::string, Activity, std::less<>>& activities() const { return activities_; }

    void post(Activity activity, WallTime now);
    bool remove(std::string_view id);
    bool removeAll(std::string_view moduleID);
    // Drops expired activities; true when anything went.
    bool prune(WallTime now);

    // The earliest moment after `now` at which the lineup can change: an
    // expiry, a `showsAfter`, the end of a protection or glance, or the
    // next rotation step.
    std::optional<WallTime> nextChange(WallTime now, const MusicFront& front = MusicFront::off(),
                                       double rotation = rotationInterval) const;
    // More than one activity competes for the main ear with equal standing.
    bool needsRotation(WallTime now, const MusicFront& front = MusicFront::off()) const;

    // The activity that owns the main ear, music in front not applied.
    std::optional<Activity> current(WallTime now, double rotation = rotationInterval) const;
    // `second` only with `dual`, for the best other ongoing activity of a
    // module other than the main one's.
    EarLineup lineup(WallTime now, const MusicFront& front, bool dual, double rotation = rotationInterval) const;

    bool operator==(const ActivityArbiter&) const = default;

private:
    struct Ranking;
    Ranking rank(WallTime now, const MusicFront& front) const;
    bool yieldsAside(const Activity& activity, WallTime now) const;

    std::map<std::string, Activity, std::less<>> activities_;
};

}  // namespace corvane
