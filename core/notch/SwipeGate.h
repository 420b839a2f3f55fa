#pragma once
// When a horizontal swipe scrubs between the panel's surfaces instead of
// scrolling what lies under the pointer.

namespace corvane {

namespace SwipeGate {

// Only on the expanded panel, with no detail page open, and not over
// something that scrolls sideways itself.
constexpr bool shouldScrub(bool expanded, bool detailOpen, bool overHorizontalScroller)
{
    return expanded && !detailOpen && !overHorizontalScroller;
}

}  // namespace SwipeGate

}  // namespace corvane
