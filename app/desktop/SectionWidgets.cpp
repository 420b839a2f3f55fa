#include "app/desktop/SectionWidgets.h"

#include <QImage>
#include <QPixmap>

#include "ui/Icons.h"
#include "ui/Palette.h"

namespace corvane::app::SectionWidgets {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;

QString css(const QColor& colour)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(colour.red()).arg(colour.green()).arg(colour.blue()).arg(colour.alpha());
}

QString sectionStyleSheet(const QString& name)
{
    return QStringLiteral(R"(
#%7 { background: transparent; }
QLabel { color: %1; background: transparent; }
QLabel[role="detail"], QLabel[role="empty"], QLabel[role="origin"] { color: %2; }
QLabel[role="section"] { color: %2; }
QFrame[role="row"] { background: %3; border-radius: %5px; }
QFrame[role="row"]:hover { background: %4; }
QPushButton[role="primary"] { background: %6; color: %1; border: none; border-radius: 8px; padding: 3px 10px; }
QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; border: none; }
QScrollBar:vertical { background: transparent; width: 6px; }
QScrollBar::handle:vertical { background: %4; border-radius: 3px; min-height: 24px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
)")
        .arg(css(Palette::text), css(Palette::secondaryText), css(Palette::panel), css(Palette::panelRaised))
        .arg(rowRadius)
        .arg(css(Palette::accent), name);
}

QLabel* label(const QString& text, const char* role, Fonts::Style style, bool bold)
{
    auto* out = new QLabel(text);
    out->setProperty("role", role);
    QFont font = Fonts::font(style);
    if (bold)
        font.setWeight(QFont::DemiBold);
    out->setFont(font);
    return out;
}

QLabel* symbolLabel(std::string_view symbol, const QColor& tint, qreal scale, int pixels)
{
    auto* icon = new QLabel;
    QImage image = ui::Icons::tinted(symbol, int(pixels * scale), tint);
    if (!image.isNull()) {
        image.setDevicePixelRatio(scale);
        icon->setPixmap(QPixmap::fromImage(image));
    }
    icon->setFixedSize(pixels, pixels);
    return icon;
}

QFrame* rowFrame(const std::string& id)
{
    auto* row = new QFrame;
    row->setObjectName(qs(id));
    row->setProperty("role", "row");
    return row;
}

QPushButton* button(const QString& text, const char* name, bool primary)
{
    auto* out = new QPushButton(text);
    out->setObjectName(QString::fromLatin1(name));
    if (primary)
        out->setProperty("role", "primary");
    else
        out->setFlat(true);
    out->setFont(Fonts::font(Fonts::Style::caption));
    out->setFocusPolicy(Qt::TabFocus);
    return out;
}

QScrollArea* scrolling(QWidget* content)
{
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    return scroll;
}

void clear(QVBoxLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
}

void add(QVBoxLayout* layout, QWidget* widget)
{
    layout->addWidget(widget);
    widget->show();
}

}  // namespace corvane::app::SectionWidgets
