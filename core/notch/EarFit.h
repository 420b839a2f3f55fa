#pragma once
// Fitting the ears into the top bar: how much room there is beside the
// island before the nearest panel item on each side, how wide the ears may
// be, how much a lyric line may add, and when the room is measured again.
// The app measures the desktop panel's items; everything here is geometry.

#include <optional>
#include <string>
#include <vector>

#include "core/base/Time.h"
#include "core/notch/Rect.h"

namespace corvane {

// Free widths in points between the island and the nearest panel item on
// each side; `app` names the application whose menus were measured.
struct MenuBarGaps {
    double left = 0;
    double right = 0;
    std::optional<std::string> app{};
    bool operator==(const MenuBarGaps&) const = default;
};

// The width the ears may take, or hidden when there is no room.
struct EarFitResult {
    std::optional<int> width{};  // points; none: hidden

    static EarFitResult hidden() { return {}; }
    static EarFitResult points(int width) { return {width}; }
    bool isHidden() const { return !width.has_value(); }
    bool operator==(const EarFitResult&) const = default;
};

enum class MenuBarScanEvent { appActivated, appLaunchedOrQuit, screenChanged, earsWillShow, enabled };

// What to measure again and after how many seconds.
struct MenuBarScanPlan {
    bool menus = false;
    bool extras = false;  // status items
    double delay = 0;
    bool operator==(const MenuBarScanPlan&) const = default;
};

namespace EarFit {

inline constexpr double margin = 8;         // kept clear beside the nearest item
inline constexpr int minimumWidth = 40;     // narrower ears are hidden
inline constexpr int lyricMinimum = 150;    // room a lyric line needs before it gets any
inline constexpr int lyricMaximum = 224;    // the widest a lyric ear grows
inline constexpr double extrasStaleAfter = 300;  // seconds before status items are measured again

// The gaps on the island's screen: only frames on `screen` count, items
// hidden behind the island are ignored, and a side without items is free to
// the screen's edge.
MenuBarGaps gaps(const std::vector<Rect>& frames, const Rect& notch, const Rect& screen, std::optional<std::string> app);

// The smaller gap less the margin, floored and capped at `maximum`; hidden below 40 points.
EarFitResult resolve(const MenuBarGaps& gaps, int maximum);

// Extra width for a lyric line in the right ear; 0 without gaps or room.
int lyricExtra(const std::optional<MenuBarGaps>& gaps, int earWidth);

// Nothing when no measurement is needed.
std::optional<MenuBarScanPlan> plan(MenuBarScanEvent event, std::optional<WallTime> extrasScannedAt, WallTime now);

// One line for the settings page.
std::string summary(const EarFitResult& result, const MenuBarGaps& gaps);

}  // namespace EarFit

}  // namespace corvane
