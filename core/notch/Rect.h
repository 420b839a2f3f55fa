#pragma once
// A rectangle in desktop coordinates: points, origin at the top left of the
// virtual screen, y growing downwards, as X11 and Wayland report windows.

namespace corvane {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    constexpr double minX() const { return x; }
    constexpr double maxX() const { return x + width; }
    constexpr double minY() const { return y; }
    constexpr double maxY() const { return y + height; }
    constexpr double midX() const { return x + width / 2; }
    constexpr double midY() const { return y + height / 2; }
    constexpr bool contains(double px, double py) const { return px >= minX() && px < maxX() && py >= minY() && py < maxY(); }

    constexpr bool operator==(const Rect&) const = default;
};

}  // namespace corvane
