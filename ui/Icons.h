#pragma once
// Symbols by name ("hammer", "bolt.fill", "moon.fill") drawn with the
// desktop's icon theme. One table maps every symbol name the program uses to
// a freedesktop icon name; the icon is tinted to the colour it is drawn in.
// A name the table or the theme does not know is drawn as a neutral dot in a
// ring, never as a missing-glyph box.
//
// Adwaita's icons are symbolic SVGs, so the Qt SVG image plugin must be
// installed; the theme is looked up under XDG_DATA_DIRS like any other.

#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

namespace corvane::ui {

namespace Icons {

struct Entry {
    std::string_view symbol;
    std::string_view themeName;
};

// Every symbol the program knows, sorted by symbol name.
std::span<const Entry> table();
// The freedesktop icon name of a symbol; none for an unknown symbol.
std::optional<std::string_view> themeName(std::string_view symbol);

// Points Qt at the icon theme once; later calls do nothing.
void useTheme();

// The symbol's icon at `pixels` square, every opaque pixel in `tint`; a null
// image when the table or the theme has no such icon.
QImage tinted(std::string_view symbol, int pixels, const QColor& tint);
// Draws the symbol centred in `box`, or the fallback glyph; true when the
// themed icon was drawn.
bool paint(QPainter& painter, const QRectF& box, std::string_view symbol, const QColor& tint);
// The glyph drawn for an unknown symbol.
void paintFallback(QPainter& painter, const QRectF& box, const QColor& tint);

}  // namespace Icons

}  // namespace corvane::ui
