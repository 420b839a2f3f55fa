#pragma once
// The decision about one event: drop it, fold it into the alert already on
// screen, show it, or only remember it. Pure: the caller owns the state and
// reads the settings.

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/Time.h"
#include "core/notch/AlertStyles.h"
#include "core/notch/AppEvent.h"
#include "core/notch/EventSettings.h"

namespace corvane {

enum class DropReason { disabled, privateContent };

struct EventDecision {
    struct Drop {
        DropReason reason;
        bool operator==(const Drop&) const = default;
    };
    struct Coalesce {
        int count;  // the repeat count the visible alert shows as "×N"
        bool operator==(const Coalesce&) const = default;
    };
    struct Show {
        EventStyle style;
        double duration;  // seconds
        bool operator==(const Show&) const = default;
    };
    struct RecordOnly {
        bool operator==(const RecordOnly&) const = default;
    };

    std::variant<Drop, Coalesce, Show, RecordOnly> value;

    static EventDecision drop(DropReason reason) { return {Drop{reason}}; }
    static EventDecision coalesce(int count) { return {Coalesce{count}}; }
    static EventDecision show(EventStyle style, double duration) { return {Show{style, duration}}; }
    static EventDecision recordOnly() { return {RecordOnly{}}; }

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const EventDecision&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EventDecision& decision);

// What the policy remembers per notch: the alert on screen and when each
// kind-and-key was last shown.
struct EventState {
    struct Visible {
        std::string kind;
        std::string key;
        int count = 1;
        bool operator==(const Visible&) const = default;
    };

    std::optional<Visible> visible;
    std::map<std::string, WallTime> lastShown;  // by slot(kind, key)

    static std::string slot(std::string_view kind, std::string_view key);

    void didShow(const AppEvent& event);
    // The repeat count now visible. Only a repeat of the visible alert
    // counts and moves its last-shown time forward.
    int didCoalesce(const AppEvent& event);
    // `lastShown` stays, so the rate limit outlives the alert.
    void didHide() { visible.reset(); }
};

namespace EventPolicy {

// "clipboard.copied" and "toolbox.detect", which obey the copy-toast setting.
bool isCopyKind(std::string_view kind);

EventDecision decide(const AppEvent& event, const EventState& state, const EventSettings& settings, WallTime now);

}  // namespace EventPolicy

}  // namespace corvane
