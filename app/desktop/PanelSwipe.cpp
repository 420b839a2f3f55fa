#include "app/desktop/PanelSwipe.h"

#include <cstdlib>

namespace corvane::app {

namespace {

// Pixels where the device gives them, else the wheel's angle.
QPoint deltaOf(const QWheelEvent& event)
{
    return event.pixelDelta().isNull() ? event.angleDelta() : event.pixelDelta();
}

}  // namespace

bool PanelSwipe::isHorizontal(const QWheelEvent& event)
{
    QPoint delta = deltaOf(event);
    return std::abs(delta.x()) > std::abs(delta.y());
}

int PanelSwipe::feed(const QWheelEvent& event)
{
    std::uint64_t now = event.timestamp();
    bool paused = last_ && (now < *last_ || now - *last_ > pauseMs);
    if (event.phase() == Qt::ScrollBegin || paused)
        endGesture();
    last_ = now;

    int step = 0;
    if (event.phase() != Qt::ScrollMomentum && !stepped_ && isHorizontal(event)) {
        double threshold = event.pixelDelta().isNull() ? angleThreshold : pixelThreshold;
        travel_ += deltaOf(event).x();
        if (std::abs(travel_) >= threshold) {
            stepped_ = true;
            // Scrolling towards negative x brings in what lies to the right.
            step = travel_ < 0 ? 1 : -1;
        }
    }
    if (event.phase() == Qt::ScrollEnd)
        endGesture();
    return step;
}

void PanelSwipe::endGesture()
{
    travel_ = 0;
    stepped_ = false;
    last_.reset();
}

}  // namespace corvane::app
