#include "ui/Fonts.h"

#include <QFontDatabase>

namespace corvane::ui::Fonts {

QFont font(Style style)
{
    QFont font = style == Style::earMono ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    switch (style) {
    case Style::ear:
    case Style::earMono:
        font.setPixelSize(12);
        font.setWeight(QFont::DemiBold);
        break;
    case Style::caption:
        font.setPixelSize(11);
        font.setWeight(QFont::Medium);
        break;
    case Style::body:
        font.setPixelSize(13);
        break;
    case Style::headline:
        font.setPixelSize(14);
        font.setWeight(QFont::DemiBold);
        break;
    case Style::title:
        font.setPixelSize(17);
        font.setWeight(QFont::Bold);
        break;
    }
    return font;
}

}  // namespace corvane::ui::Fonts
