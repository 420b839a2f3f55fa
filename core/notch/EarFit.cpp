#include "core/notch/EarFit.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

namespace corvane::EarFit {

MenuBarGaps gaps(const std::vector<Rect>& frames, const Rect& notch, const Rect& screen, std::optional<std::string> app)
{
    double leftEdge = screen.minX();
    double rightEdge = screen.maxX();
    for (const Rect& frame : frames) {
        if (!screen.contains(frame.midX(), frame.midY()))
            continue;
        bool behindIsland = frame.minX() >= notch.minX() && frame.maxX() <= notch.maxX();
        if (behindIsland)
            continue;
        if (frame.midX() < notch.midX())
            leftEdge = std::max(leftEdge, frame.maxX());
        else
            rightEdge = std::min(rightEdge, frame.minX());
    }
    return MenuBarGaps{
        .left = std::max(0.0, notch.minX() - leftEdge),
        .right = std::max(0.0, rightEdge - notch.maxX()),
        .app = std::move(app),
    };
}

EarFitResult resolve(const MenuBarGaps& gaps, int maximum)
{
    double room = std::floor(std::min(gaps.left, gaps.right) - margin);
    int width = static_cast<int>(std::min(static_cast<double>(maximum), room));
    return width < minimumWidth ? EarFitResult::hidden() : EarFitResult::points(width);
}

int lyricExtra(const std::optional<MenuBarGaps>& gaps, int earWidth)
{
    if (!gaps)
        return 0;
    double room = std::floor(gaps->right - margin);
    if (room < lyricMinimum)
        return 0;
    return std::max(0, static_cast<int>(std::min(room, static_cast<double>(lyricMaximum))) - earWidth);
}

std::optional<MenuBarScanPlan> plan(MenuBarScanEvent event, std::optional<WallTime> extrasScannedAt, WallTime now)
{
    switch (event) {
    case MenuBarScanEvent::appActivated:
        // The new application's menus appear a moment after activation.
        return MenuBarScanPlan{.menus = true, .extras = false, .delay = 0.15};
    case MenuBarScanEvent::appLaunchedOrQuit:
        // Status items of a launching application settle over a few seconds.
        return MenuBarScanPlan{.menus = true, .extras = true, .delay = 3.0};
    case MenuBarScanEvent::screenChanged:
    case MenuBarScanEvent::enabled:
        return MenuBarScanPlan{.menus = true, .extras = true, .delay = 0};
    case MenuBarScanEvent::earsWillShow:
        if (extrasScannedAt && now.secondsSince(*extrasScannedAt) <= extrasStaleAfter)
            return std::nullopt;
        return MenuBarScanPlan{.menus = false, .extras = true, .delay = 0};
    }
    return std::nullopt;
}

std::string summary(const EarFitResult& result, const MenuBarGaps& gaps)
{
    auto free = [](double points) { return static_cast<int>(std::floor(points)); };
    if (result.isHidden())
        return fmt::format("Ears hidden: only {} pt free beside the island", free(std::min(gaps.left, gaps.right)));
    std::string line = fmt::format("Ears {} pt wide: {} pt free on the left, {} pt on the right", *result.width,
                                   free(gaps.left), free(gaps.right));
    if (gaps.app)
        line += fmt::format(" beside the menus of {}", *gaps.app);
    return line;
}

}  // namespace corvane::EarFit
