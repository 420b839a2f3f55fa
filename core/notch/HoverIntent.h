#pragma once
// Whether a hover card (opened by pointing at an ear or a chip) shows: a
// card waits `delay` before it appears, lingers `grace` after the pointer
// left so the pointer can travel onto it, and moving between anchors while
// one shows needs no new delay. An alert taking the space suppresses cards
// until the pointer leaves. Times are seconds on a monotonic clock; the
// owner calls `tick` at `nextDeadline`.

#include <optional>
#include <string>
#include <variant>

namespace corvane {

struct HoverIntent {
    struct Pending {
        std::string anchor;
        double since = 0;
        bool operator==(const Pending&) const = default;
    };
    struct Shown {
        std::string anchor;
        bool operator==(const Shown&) const = default;
    };
    struct Closing {
        std::string anchor;
        double since = 0;
        bool operator==(const Closing&) const = default;
    };
    struct Idle {
        bool operator==(const Idle&) const = default;
    };
    struct Suppressed {
        bool operator==(const Suppressed&) const = default;
    };
    using Phase = std::variant<Pending, Shown, Closing, Idle, Suppressed>;

    static constexpr double defaultGrace = 0.2;  // seconds

    Phase phase = Idle{};
    double delay = 0.35;  // "hover.delayMs"
    double grace = defaultGrace;

    void enter(const std::string& anchor, double at);
    void leave(double at);
    void tick(double at);
    // An alert or toast took the space.
    void toastShown() { phase = Suppressed{}; }

    // The anchor whose card is on screen, while shown or closing.
    std::optional<std::string> visibleAnchor() const;
    // When `tick` has something to do: the end of the delay or of the grace.
    std::optional<double> nextDeadline() const;

    bool operator==(const HoverIntent&) const = default;
};

}  // namespace corvane
