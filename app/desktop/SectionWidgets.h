#pragma once
// The small pieces the panel's sections are built from: labels with a
// style role, tinted symbols, row frames, and the section style sheet
// those roles are drawn with. One place, so every section looks alike.

#include <string>
#include <string_view>

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

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
// A caption-sized button found by `name`: filled with the accent when
// primary, flat otherwise.
QPushButton* button(const QString& text, const char* name, bool primary = false);
// `content` in a frameless area that scrolls only up and down.
QScrollArea* scrolling(QWidget* content);
// Takes every widget out of the layout. A button's click may rebuild the
// list it sits in: widgets leave at once but are deleted once their signal
// returned.
void clear(QVBoxLayout* layout);
// A widget added to a shown layout would only show from the event loop;
// shown at once, it is there for a grab right away too.
void add(QVBoxLayout* layout, QWidget* widget);

}  // namespace corvane::app::SectionWidgets

namespace corvane::app {

// A section that hears once when it comes into view and once when it
// leaves it, though spontaneous and ordinary show events may both arrive.
// A derived destructor calls `leaveView()`, while its override still runs.
class ShownSection : public QWidget {
protected:
    using QWidget::QWidget;

    virtual void shownChanged(bool shown) = 0;
    void leaveView() { setShown(false); }

    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        setShown(true);
    }
    void hideEvent(QHideEvent* event) override
    {
        QWidget::hideEvent(event);
        setShown(false);
    }

private:
    void setShown(bool shown)
    {
        if (shown == shown_)
            return;
        shown_ = shown;
        shownChanged(shown);
    }

    bool shown_ = false;
};

}  // namespace corvane::app
