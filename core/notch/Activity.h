#pragma once
// A live activity for the ears: an agent working, a dev server that
// stopped, a timer, music, a one-shot ear alert. Sources post them to the
// ActivityArbiter, which decides which one owns the ears.

#include <iosfwd>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "core/base/Time.h"
#include "core/notch/EarContent.h"

namespace corvane {

struct Activity {
    std::string id{};  // posting an activity with an existing id replaces it
    std::string moduleID{};
    std::string kind{};
    int priority = 0;  // higher wins
    EarContent left{};
    EarContent right{};
    std::optional<std::string> tintHex{};  // "#" and six hexadecimal digits
    WallTime createdAt = WallTime::fromUnixSeconds(0);
    std::optional<WallTime> expiresAt{};  // end of a transient activity
    std::optional<std::string> detail{};  // longer text for the hover card
    std::optional<std::string> yieldsTo{};  // id that takes precedence while both exist
    std::optional<WallTime> userAction{};  // last time the user acted on it
    std::optional<WallTime> showsAfter{};
    std::optional<WallTime> waitingSince{};  // waiting for the user since
    std::optional<WallTime> since{};  // start of the ongoing state it describes

    bool isTransient() const { return expiresAt.has_value(); }
    bool isExpired(WallTime now) const { return expiresAt && *expiresAt <= now; }
    // Not expired and past its `showsAfter`.
    bool isShowable(WallTime now) const { return !isExpired(now) && (!showsAfter || *showsAfter <= now); }

    // A short transient activity confirming what the user just did; it
    // lives as long as SmartEars::confirmation gives for its words.
    static Activity confirmation(std::string id, std::string moduleID, std::string kind, int priority, EarContent left,
                                 EarContent right, std::optional<std::string> tintHex, WallTime now);

    // One content for a single ear: a bare symbol beside a text becomes one
    // symbol-and-text; otherwise the left side, or the right when the left
    // shows nothing.
    EarContent compact() const;

    // Below this width a single ear has no room for both sides.
    static constexpr double pairWidth = 96;
    // Both sides merged for the one ear that can be drawn, whose room is the
    // wider of the two widths: side by side when that room reaches
    // `pairWidth`, else `compact`. With `lyricBars`, a lyric line gives way
    // to the audio bars, since a shared ear cannot hold a line.
    EarContent single(double leftWidth, double rightWidth, bool lyricBars) const;

    nlohmann::json toJson() const;
    // Nothing when a required field is missing or either content is unreadable.
    static std::optional<Activity> fromJson(const nlohmann::json& json);

    bool operator==(const Activity&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Activity& activity);

}  // namespace corvane
