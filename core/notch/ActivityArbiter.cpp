#include "core/notch/ActivityArbiter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/notch/SmartEars.h"

namespace corvane {

namespace {

// `value` modulo `period`, in [0, period) also for instants before 2001.
double phase(double value, double period) { return value - std::floor(value / period) * period; }

bool isMusic(const Activity& activity) { return activity.kind == MusicFront::musicKind; }

bool isOngoingAndIdle(const Activity& activity) { return !activity.isTransient() && !activity.waitingSince; }

// The base order: priority, then waiting, then transient news, then id.
bool ranksAhead(const Activity* a, const Activity* b)
{
    if (a->priority != b->priority)
        return a->priority > b->priority;
    if (a->waitingSince.has_value() != b->waitingSince.has_value())
        return a->waitingSince.has_value();
    if (a->waitingSince && *a->waitingSince != *b->waitingSince)
        return *a->waitingSince < *b->waitingSince;
    if (a->isTransient() != b->isTransient())
        return a->isTransient();
    if (a->isTransient() && a->createdAt != b->createdAt)
        return a->createdAt > b->createdAt;
    return a->id < b->id;
}

bool inPeriodicGlance(const MusicFront& front, WallTime now)
{
    return front.glanceMinutes > 0 && phase(now.referenceSeconds(), front.glanceMinutes * 60.0) < front.glanceSeconds;
}

// Moves the element at `from` to the front, keeping the others' order.
void moveToFront(std::vector<const Activity*>& order, std::size_t from)
{
    std::rotate(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(from),
                order.begin() + static_cast<std::ptrdiff_t>(from) + 1);
}

}  // namespace

struct ActivityArbiter::Ranking {
    std::vector<const Activity*> order;
    std::size_t rotating = 1;  // leading activities of equal standing that take turns

    std::size_t pick(WallTime now, double rotation) const
    {
        if (rotating < 2 || rotation <= 0)
            return 0;
        double step = std::floor(now.referenceSeconds() / rotation);
        return static_cast<std::size_t>(phase(step, static_cast<double>(rotating)));
    }
};

double ActivityArbiter::untilNextRotation(WallTime now, double period)
{
    return period - phase(now.referenceSeconds(), period);
}

void ActivityArbiter::post(Activity activity, WallTime now)
{
    if (auto existing = activities_.find(activity.id);
        existing != activities_.end() && existing->second.kind == activity.kind)
        activity.createdAt = existing->second.createdAt;
    activities_.insert_or_assign(activity.id, std::move(activity));
    if (activities_.size() <= maxActivities)
        return;
    prune(now);
    while (activities_.size() > maxActivities) {
        auto weakest = std::min_element(activities_.begin(), activities_.end(), [](const auto& a, const auto& b) {
            if (a.second.priority != b.second.priority)
                return a.second.priority < b.second.priority;
            return a.second.createdAt < b.second.createdAt;
        });
        activities_.erase(weakest);
    }
}

bool ActivityArbiter::remove(std::string_view id)
{
    auto found = activities_.find(id);
    if (found == activities_.end())
        return false;
    activities_.erase(found);
    return true;
}

bool ActivityArbiter::removeAll(std::string_view moduleID)
{
    return std::erase_if(activities_, [moduleID](const auto& item) { return item.second.moduleID == moduleID; }) > 0;
}

bool ActivityArbiter::prune(WallTime now)
{
    return std::erase_if(activities_, [now](const auto& item) { return item.second.isExpired(now); }) > 0;
}

bool ActivityArbiter::yieldsAside(const Activity& activity, WallTime now) const
{
    // Follow the chain of yields; reaching the start again means a circle.
    const Activity* step = &activity;
    for (std::size_t hops = 0; hops <= activities_.size(); ++hops) {
        if (!step->yieldsTo || *step->yieldsTo == step->id)
            return hops > 0;
        auto target = activities_.find(*step->yieldsTo);
        if (target == activities_.end() || target->second.isExpired(now))
            return hops > 0;
        if (&target->second == &activity)
            return false;
        step = &target->second;
    }
    return true;
}

ActivityArbiter::Ranking ActivityArbiter::rank(WallTime now, const MusicFront& front) const
{
    Ranking ranking;
    for (const auto& [id, activity] : activities_) {
        if (activity.isShowable(now) && !yieldsAside(activity, now))
            ranking.order.push_back(&activity);
    }
    if (ranking.order.empty())
        return ranking;
    std::sort(ranking.order.begin(), ranking.order.end(), ranksAhead);

    auto& order = ranking.order;
    auto music = std::find_if(order.begin(), order.end(), [](const Activity* a) { return isMusic(*a); });
    bool musicInFront = front.on && music != order.end() && !inPeriodicGlance(front, now);
    if (musicInFront) {
        auto glancing = [&](const Activity* a) { return now < a->createdAt.plusSeconds(front.glanceSeconds); };
        auto stepsBehind = [&](const Activity* a) { return isOngoingAndIdle(*a) && !isMusic(*a) && !glancing(a); };
        // Those ahead of the music that stay ahead, then the music, then the rest.
        auto firstBehind =
            std::stable_partition(order.begin(), music, [&](const Activity* a) { return !stepsBehind(a); });
        std::rotate(firstBehind, music, music + 1);
    }

    const Activity* front0 = order.front();
    if (!SmartEars::isUserEventKind(front0->kind) && now < front0->createdAt.plusSeconds(SmartEars::maxWait)) {
        std::optional<std::size_t> holder;
        for (std::size_t i = 1; i < order.size(); ++i) {
            const Activity* candidate = order[i];
            bool holds = candidate->createdAt < front0->createdAt && candidate->priority >= front0->priority
                         && now < candidate->createdAt.plusSeconds(SmartEars::protectedFor);
            if (holds && (!holder || candidate->createdAt < order[*holder]->createdAt))
                holder = i;
        }
        if (holder) {
            moveToFront(order, *holder);
            return ranking;
        }
    }

    auto equalStanding = [&](const Activity* a) {
        return a->priority == front0->priority && isOngoingAndIdle(*a) && !(musicInFront && isMusic(*a));
    };
    if (equalStanding(front0)) {
        auto end = std::find_if_not(order.begin(), order.end(), equalStanding);
        ranking.rotating = static_cast<std::size_t>(end - order.begin());
    }
    return ranking;
}

std::optional<WallTime> ActivityArbiter::nextChange(WallTime now, const MusicFront& front, double rotation) const
{
    std::optional<WallTime> earliest;
    auto consider = [&](WallTime moment) {
        if (moment > now && (!earliest || moment < *earliest))
            earliest = moment;
    };
    bool hasMusic = false;
    for (const auto& [id, activity] : activities_) {
        if (activity.expiresAt)
            consider(*activity.expiresAt);
        if (activity.showsAfter)
            consider(*activity.showsAfter);
        consider(activity.createdAt.plusSeconds(SmartEars::protectedFor));
        consider(activity.createdAt.plusSeconds(SmartEars::maxWait));
        if (front.on)
            consider(activity.createdAt.plusSeconds(front.glanceSeconds));
        hasMusic = hasMusic || isMusic(activity);
    }
    if (rotation > 0 && needsRotation(now, front))
        consider(now.plusSeconds(untilNextRotation(now, rotation)));
    if (front.on && hasMusic && front.glanceMinutes > 0) {
        double period = front.glanceMinutes * 60.0;
        double into = phase(now.referenceSeconds(), period);
        consider(now.plusSeconds(into < front.glanceSeconds ? front.glanceSeconds - into : period - into));
    }
    return earliest;
}

bool ActivityArbiter::needsRotation(WallTime now, const MusicFront& front) const
{
    return rank(now, front).rotating > 1;
}

std::optional<Activity> ActivityArbiter::current(WallTime now, double rotation) const
{
    return lineup(now, MusicFront::off(), false, rotation).main;
}

EarLineup ActivityArbiter::lineup(WallTime now, const MusicFront& front, bool dual, double rotation) const
{
    Ranking ranking = rank(now, front);
    if (ranking.order.empty())
        return {};
    std::size_t chosen = ranking.pick(now, rotation);
    const Activity& main = *ranking.order[chosen];
    EarLineup lineup{.main = main};
    if (!dual)
        return lineup;
    for (std::size_t i = 0; i < ranking.order.size(); ++i) {
        const Activity& other = *ranking.order[i];
        if (i != chosen && !other.isTransient() && other.moduleID != main.moduleID) {
            lineup.second = other;
            break;
        }
    }
    return lineup;
}

}  // namespace corvane
