#pragma once
// The island's colours. Tints arrive as "#RRGGBB" text from activities and
// alerts; anything else falls back to the neutral accent.

#include <string_view>

#include <QColor>

namespace corvane::ui {

namespace Palette {

inline const QColor island{0, 0, 0};
inline const QColor text{255, 255, 255};
inline const QColor secondaryText{255, 255, 255, 150};
inline const QColor track{255, 255, 255, 50};  // the unfilled part of rings and bars
inline const QColor accent{10, 132, 255};
inline const QColor warning{255, 159, 10};
inline const QColor critical{255, 69, 58};
inline const QColor good{48, 209, 88};
inline const QColor panel{22, 22, 24};
inline const QColor panelRaised{38, 38, 42};

// "#RRGGBB" (either case) as a colour, else `fallback`.
QColor fromHex(std::string_view hex, const QColor& fallback = accent);

}  // namespace Palette

}  // namespace corvane::ui
