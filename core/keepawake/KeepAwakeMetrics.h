#pragma once
// The arithmetic of the Keep awake panel: which blocks fit the height the
// panel may take, and how many rows each list shows. Heights in points.
//
// Blocks: quick timers 44, status 110, holder list rows × 24 + 16, flow
// picture 46, lid choice 66, helper card 44, recap list rows × 44 + 24,
// "Keep awake now" 28, safety note 16; 12 between neighbours. When the
// blocks do not fit, the holder list shrinks to one row first, then the
// recap list, then the safety note, the flow picture and the lid choice go.

#include <ostream>
#include <variant>

namespace corvane::KeepAwakeMetrics {

struct Mode {
    struct Holding {
        int holders = 0;
        bool operator==(const Holding&) const = default;
    };
    struct Recap {
        int rows = 0;
        bool operator==(const Recap&) const = default;
    };
    struct Idle {
        bool operator==(const Idle&) const = default;
    };
    struct Stopped {
        bool operator==(const Stopped&) const = default;
    };
    std::variant<Holding, Recap, Idle, Stopped> value;

    static Mode holding(int holders) { return {Holding{holders}}; }
    static Mode recap(int rows) { return {Recap{rows}}; }
    static Mode idle() { return {Idle{}}; }
    static Mode stopped() { return {Stopped{}}; }
};

struct Layout {
    bool flow = false;
    bool choice = false;
    bool helperCard = false;
    int holderRows = 0;
    int hiddenHolders = 0;
    bool keepNow = false;
    int recapRows = 0;
    bool safety = false;
    bool quickTimer = false;
    double height = 0;
    bool overflows = false;

    bool operator==(const Layout&) const = default;
};

struct RadarLayout {
    int mineRows = 0;
    int otherRows = 0;
    int hiddenOthers = 0;
    double height = 0;
    bool overflows = false;

    bool operator==(const RadarLayout&) const = default;
};

// The most rows the holder list shows before counting the rest as hidden.
inline constexpr int maxHolderRows = 4;

Layout layout(const Mode& mode, bool helperCard, double budget, bool quickTimer);
// The radar: the program's own holds above the other processes' rows.
RadarLayout radar(int mine, int others, double budget);

std::ostream& operator<<(std::ostream& out, const Layout& layout);
std::ostream& operator<<(std::ostream& out, const RadarLayout& layout);

}  // namespace corvane::KeepAwakeMetrics
