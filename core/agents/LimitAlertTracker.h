#pragma once
// Which limit alerts already went out in each plan window, so a level is
// announced once per window, and a window that reached its limit can
// announce its reset. Kept on disk so a restart does not announce again.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/JsonStore.h"
#include "core/base/Time.h"

namespace corvane {

class LimitAlertTracker {
public:
    static constexpr std::string_view fileName = "ai-limit-alerts.json";
    static constexpr std::size_t maxFileBytes = 1024 * 1024;
    // A reset time that moves further than this starts a new window.
    static constexpr double resetTolerance = 60;
    static constexpr int defaultWarn = 75;
    static constexpr int defaultHigh = 90;
    static constexpr int reachedPercent = 100;

    enum class Level { warn = 0, high = 1, reached = 2 };

    struct State {
        std::optional<WallTime> resetsAt;
        std::set<int> fired;  // the levels announced in this window, as numbers
        bool reachedFirst = false;  // the window reached its limit
        bool operator==(const State&) const = default;
    };
    struct Alert {
        enum class Kind { crossed, reset };
        Kind kind = Kind::crossed;
        Level level = Level::warn;  // for `crossed`
        double percent = 0;        // for `crossed`

        static Alert crossed(Level level, double percent) { return {Kind::crossed, level, percent}; }
        static Alert reset() { return {Kind::reset, Level::warn, 0}; }
        bool operator==(const Alert&) const = default;
    };
    struct Expired {
        std::string key;
        bool resetAlert = false;  // the window had reached its limit and reset alerts are on
        bool operator==(const Expired&) const = default;
    };

    std::map<std::string, State> states;

    // The threshold of a level under the user's list: none gives 75 and
    // 90, one gives it and 90, more give the first two.
    static int threshold(Level level, const std::vector<int>& thresholds);

    std::vector<Alert> update(const std::string& key, double percent, std::optional<WallTime> resetsAt,
                              const std::vector<int>& thresholds, bool alertOnReset);
    // Drops the windows whose reset time has passed.
    std::vector<Expired> expire(WallTime now, bool alertOnReset);
    // The earliest reset time of a window the tracker follows.
    std::optional<WallTime> nextReset() const;

    Json toJson() const;
    // Nothing when the document is not an object with `states`; states that
    // do not decode are dropped one by one.
    static std::optional<LimitAlertTracker> fromJson(const Json& json);

    // The store in the data folder; an undecodable file is moved aside.
    static JsonStoreFile file(const std::filesystem::path& dataFolder);
    static LimitAlertTracker load(const JsonStoreFile& file, WallTime now, const Calendar& calendar);
    Result<void> save(const JsonStoreFile& file) const;

    bool operator==(const LimitAlertTracker&) const = default;
};

std::string_view levelName(LimitAlertTracker::Level level);  // "Warn", "High", "Reached"
std::ostream& operator<<(std::ostream& out, const LimitAlertTracker::Alert& alert);

}  // namespace corvane
