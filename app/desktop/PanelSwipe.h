#pragma once
// Turns the sideways scroll events of a two-finger swipe (or a tilted
// wheel) into at most one step between the panel's surfaces per gesture.
// A gesture ends with its end phase or after a pause; it steps once its
// sideways travel passes a threshold, and not again before the next one.
// Momentum that follows the fingers belongs to the gesture and never steps.

#include <cstdint>
#include <optional>

#include <QWheelEvent>

namespace corvane::app {

class PanelSwipe {
public:
    static constexpr double pixelThreshold = 80;   // touchpads report pixels
    static constexpr double angleThreshold = 120;  // one wheel notch, in eighths of a degree
    static constexpr std::uint64_t pauseMs = 300;  // a pause this long ends a gesture

    // Whether the event moves more sideways than up or down.
    static bool isHorizontal(const QWheelEvent& event);

    // 1 (the next surface) or -1 (the previous one) when this event
    // completes a step, else 0. The step follows the direction a sideways
    // list under the same fingers would scroll.
    int feed(const QWheelEvent& event);

private:
    void endGesture();

    double travel_ = 0;
    bool stepped_ = false;
    std::optional<std::uint64_t> last_;  // time stamp of the gesture's last event
};

}  // namespace corvane::app
