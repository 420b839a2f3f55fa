#include "core/agents/LimitAlertTracker.h"

#include <array>
#include <cmath>
#include <ostream>

namespace corvane {

namespace {

using Level = LimitAlertTracker::Level;

constexpr std::array levelsHighestFirst{Level::reached, Level::high, Level::warn};

}  // namespace

std::string_view levelName(Level level)
{
    switch (level) {
    case Level::warn:
        return "Warn";
    case Level::high:
        return "High";
    case Level::reached:
        return "Reached";
    }
    return {};
}

int LimitAlertTracker::threshold(Level level, const std::vector<int>& thresholds)
{
    switch (level) {
    case Level::warn:
        return thresholds.empty() ? defaultWarn : thresholds[0];
    case Level::high:
        return thresholds.size() < 2 ? defaultHigh : thresholds[1];
    case Level::reached:
        return reachedPercent;
    }
    return reachedPercent;
}

std::vector<LimitAlertTracker::Alert> LimitAlertTracker::update(const std::string& key, double percent,
                                                                std::optional<WallTime> resetsAt,
                                                                const std::vector<int>& thresholds,
                                                                bool alertOnReset)
{
    std::vector<Alert> alerts;
    auto [found, inserted] = states.try_emplace(key, State{resetsAt, {}, false});
    State& state = found->second;
    if (!inserted && state.resetsAt && resetsAt && std::abs(resetsAt->secondsSince(*state.resetsAt)) > resetTolerance) {
        if (alertOnReset && state.reachedFirst)
            alerts.push_back(Alert::reset());
        state = State{resetsAt, {}, false};
    }
    // A reading without a reset time keeps the window it was in.
    if (resetsAt)
        state.resetsAt = resetsAt;
    for (Level level : levelsHighestFirst) {
        if (percent < threshold(level, thresholds))
            continue;
        if (!state.fired.contains(static_cast<int>(level)))
            alerts.push_back(Alert::crossed(level, percent));
        // The levels below count as announced: a dip must not announce them later.
        for (int lower = 0; lower <= static_cast<int>(level); ++lower)
            state.fired.insert(lower);
        if (level == Level::reached)
            state.reachedFirst = true;
        break;
    }
    return alerts;
}

std::vector<LimitAlertTracker::Expired> LimitAlertTracker::expire(WallTime now, bool alertOnReset)
{
    std::vector<Expired> expired;
    for (auto it = states.begin(); it != states.end();) {
        if (it->second.resetsAt && *it->second.resetsAt <= now) {
            expired.push_back(Expired{it->first, alertOnReset && it->second.reachedFirst});
            it = states.erase(it);
        } else {
            ++it;
        }
    }
    return expired;
}

std::optional<WallTime> LimitAlertTracker::nextReset() const
{
    std::optional<WallTime> earliest;
    for (const auto& [key, state] : states) {
        if (state.resetsAt && (!earliest || *state.resetsAt < *earliest))
            earliest = state.resetsAt;
    }
    return earliest;
}

Json LimitAlertTracker::toJson() const
{
    Json encoded = Json::object();
    for (const auto& [key, state] : states) {
        Json one = {{"fired", state.fired}, {"reachedFirst", state.reachedFirst}};
        if (state.resetsAt)
            one["resetsAt"] = corvane::toJson(*state.resetsAt);
        encoded[key] = std::move(one);
    }
    return Json{{"states", std::move(encoded)}};
}

namespace {

std::optional<LimitAlertTracker::State> stateFromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    LimitAlertTracker::State state;
    if (auto resetsAt = json.find("resetsAt"); resetsAt != json.end()) {
        state.resetsAt = wallTimeFromJson(*resetsAt);
        if (!state.resetsAt)
            return std::nullopt;
    }
    if (auto fired = json.find("fired"); fired != json.end()) {
        if (!fired->is_array())
            return std::nullopt;
        for (const Json& level : *fired) {
            if (level.is_number_integer() && level.get<int>() >= 0 && level.get<int>() <= 2)
                state.fired.insert(level.get<int>());
        }
    }
    if (auto reached = json.find("reachedFirst"); reached != json.end() && reached->is_boolean())
        state.reachedFirst = reached->get<bool>();
    return state;
}

}  // namespace

std::optional<LimitAlertTracker> LimitAlertTracker::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto states = json.find("states");
    if (states == json.end() || !states->is_object())
        return std::nullopt;
    LimitAlertTracker tracker;
    for (const auto& [key, value] : states->items()) {
        if (auto state = stateFromJson(value))
            tracker.states.emplace(key, std::move(*state));
    }
    return tracker;
}

JsonStoreFile LimitAlertTracker::file(const std::filesystem::path& dataFolder)
{
    return JsonStoreFile(dataFolder / fileName, maxFileBytes);
}

LimitAlertTracker LimitAlertTracker::load(const JsonStoreFile& file, WallTime now, const Calendar& calendar)
{
    return loadStore<LimitAlertTracker>(file, fromJson, now, calendar);
}

Result<void> LimitAlertTracker::save(const JsonStoreFile& file) const { return file.save(toJson()); }

std::ostream& operator<<(std::ostream& out, const LimitAlertTracker::Alert& alert)
{
    if (alert.kind == LimitAlertTracker::Alert::Kind::reset)
        return out << "reset";
    return out << "crossed(" << levelName(alert.level) << ", " << alert.percent << ")";
}

}  // namespace corvane
