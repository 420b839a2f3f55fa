#include "core/keepawake/KeepAwakeMetrics.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace corvane::KeepAwakeMetrics {

namespace {

constexpr double gap = 12;
constexpr double quickTimerHeight = 44;
constexpr double statusHeight = 110;
constexpr double holderRowHeight = 24;
constexpr double holderListChrome = 16;
constexpr double flowHeight = 46;
constexpr double choiceHeight = 66;
constexpr double helperCardHeight = 44;
constexpr double recapRowHeight = 44;
constexpr double recapListChrome = 24;
constexpr double keepNowHeight = 28;
constexpr double safetyHeight = 16;

constexpr double radarChrome = 64 + 30;
constexpr double radarRowHeight = 44;
constexpr double radarEmptyList = 52;
constexpr double radarNothingMine = 128;

double roundedUp(double points) { return std::ceil(points / 4) * 4; }
double roundedDown(double points) { return std::floor(points / 4) * 4; }

// The blocks shown, stacked with a gap between neighbours.
double stacked(std::initializer_list<double> shown)
{
    double total = 0;
    int blocks = 0;
    for (double height : shown) {
        if (height > 0) {
            total += height;
            ++blocks;
        }
    }
    return roundedUp(total + gap * std::max(0, blocks - 1));
}

double heightOf(const Layout& layout, bool holderList, bool recapList)
{
    return stacked({
        layout.quickTimer ? quickTimerHeight : 0,
        statusHeight,
        holderList ? layout.holderRows * holderRowHeight + holderListChrome : 0,
        layout.flow ? flowHeight : 0,
        layout.choice ? choiceHeight : 0,
        layout.helperCard ? helperCardHeight : 0,
        recapList ? layout.recapRows * recapRowHeight + recapListChrome : 0,
        layout.keepNow ? keepNowHeight : 0,
        layout.safety ? safetyHeight : 0,
    });
}

}  // namespace

Layout layout(const Mode& mode, bool helperCard, double budget, bool quickTimer)
{
    budget = roundedDown(budget);
    Layout out;
    out.helperCard = helperCard;
    out.quickTimer = quickTimer;
    out.safety = true;
    const auto* holding = std::get_if<Mode::Holding>(&mode.value);
    const auto* recap = std::get_if<Mode::Recap>(&mode.value);
    if (holding != nullptr) {
        out.holderRows = std::clamp(holding->holders, 1, maxHolderRows);
        out.hiddenHolders = std::max(0, holding->holders - out.holderRows);
        out.keepNow = true;
    } else if (recap != nullptr) {
        out.recapRows = std::max(0, recap->rows);
        out.safety = false;
    } else if (std::holds_alternative<Mode::Idle>(mode.value)) {
        out.flow = true;
        out.choice = true;
        out.keepNow = true;
    }

    auto height = [&] { return heightOf(out, holding != nullptr, recap != nullptr); };
    // One step at a time, least needed first.
    while (height() > budget) {
        if (out.holderRows > 1) {
            --out.holderRows;
            ++out.hiddenHolders;
        } else if (out.recapRows > 1) {
            --out.recapRows;
        } else if (out.safety) {
            out.safety = false;
        } else if (out.flow) {
            out.flow = false;
        } else if (out.choice) {
            out.choice = false;
        } else {
            out.overflows = true;
            break;
        }
    }
    out.height = height();
    return out;
}

RadarLayout radar(int mine, int others, double budget)
{
    budget = roundedDown(budget);
    RadarLayout out;
    out.mineRows = std::max(0, mine);
    out.otherRows = std::max(0, others);
    auto height = [&] {
        double mineBlock = out.mineRows > 0 ? out.mineRows * radarRowHeight : radarNothingMine;
        double otherBlock = out.otherRows > 0 ? out.otherRows * radarRowHeight : radarEmptyList;
        return roundedUp(radarChrome + mineBlock + otherBlock);
    };
    while (height() > budget) {
        if (out.otherRows <= 1) {
            out.overflows = true;
            break;
        }
        --out.otherRows;
        ++out.hiddenOthers;
    }
    out.height = height();
    return out;
}

std::ostream& operator<<(std::ostream& out, const Layout& layout)
{
    return out << "Layout{height " << layout.height << (layout.overflows ? " overflowing" : "") << ", holders "
               << layout.holderRows << "+" << layout.hiddenHolders << " hidden, recap " << layout.recapRows
               << (layout.quickTimer ? ", quick timer" : "") << (layout.flow ? ", flow" : "")
               << (layout.choice ? ", choice" : "") << (layout.helperCard ? ", helper card" : "")
               << (layout.keepNow ? ", keep now" : "") << (layout.safety ? ", safety" : "") << "}";
}

std::ostream& operator<<(std::ostream& out, const RadarLayout& layout)
{
    return out << "RadarLayout{height " << layout.height << (layout.overflows ? " overflowing" : "") << ", mine "
               << layout.mineRows << ", others " << layout.otherRows << "+" << layout.hiddenOthers << " hidden}";
}

}  // namespace corvane::KeepAwakeMetrics
