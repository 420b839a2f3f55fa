#pragma once
// The small pieces the panel's sections are built from: labels with a
// style role, tinted symbols, row frames, and the section style sheet
// those roles are drawn with. One place, so every section looks alike.

#include <string>
#include <string_view>

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QString>
#include <QVBoxLayout>

#include "ui/Fonts.h"

namespace corvane::app::SectionWidgets {

inline constexpr int rowRadius = 10;
inline constexpr int iconPixels = 18;

inline QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// "rgba(r,g,b,a)" for a style sheet.
QString css(const QColor& colour);
// The rules every section shares, for a section whose object name is `name`:
// text and detail colours by role, rows on raised tiles, primary buttons,
// a quiet scroll bar.
QString sectionStyleSheet(const QString& name);

QLabel* label(const QString& text, const char* role, ui::Fonts::Style style, bool bold = false);
QLabel* symbolLabel(std::string_view symbol, const QColor& tint, qreal scale, int pixels = iconPixels);
QFrame* rowFrame(const std::string& id);
// Takes every widget out of the layout. A button's click may rebuild the
// list it sits in: widgets leave at once but are deleted once their signal
// returned.
void clear(QVBoxLayout* layout);
// A widget added to a shown layout would only show from the event loop;
// shown at once, it is there for a grab right away too.
void add(QVBoxLayout* layout, QWidget* widget);

}  // namespace corvane::app::SectionWidgets
