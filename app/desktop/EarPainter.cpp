#include "app/desktop/EarPainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainterPath>

#include <nlohmann/json.hpp>

#include "app/desktop/ArtworkCache.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

namespace corvane::app::EarPainter {

namespace {

using ui::Palette::fromHex;
namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;

constexpr qreal iconSide = 16;
constexpr qreal spacing = 5;

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Lays items out from the island's side: a sequence of widths packed
// towards the inner edge of the ear.
class Row {
public:
    Row(const QRectF& box, Side side, qreal total) : box_(box)
    {
        qreal free = std::max<qreal>(0, box.width() - total);
        x_ = side == Side::left ? box.left() + free : box.left();
    }
    QRectF take(qreal width)
    {
        width = std::min(width, box_.right() - x_);
        QRectF slot(x_, box_.top(), std::max<qreal>(0, width), box_.height());
        x_ += width + spacing;
        return slot;
    }

private:
    QRectF box_;
    qreal x_;
};

qreal textWidth(const QString& text, const QFont& font) { return QFontMetricsF(font).horizontalAdvance(text); }

void drawText(QPainter& painter, const QRectF& slot, const QString& text, const QFont& font, const QColor& colour)
{
    painter.save();
    painter.setFont(font);
    painter.setPen(colour);
    QString elided = QFontMetricsF(font).elidedText(text, Qt::ElideRight, slot.width());
    painter.drawText(slot, Qt::AlignVCenter | Qt::AlignLeft, elided);
    painter.restore();
}

QRectF square(const QRectF& slot, qreal side)
{
    return QRectF(slot.center().x() - side / 2, slot.center().y() - side / 2, side, side);
}

void symbolAndText(QPainter& painter, const QRectF& box, Side side, std::string_view symbol, const QString& text,
                   const QColor& iconColour, const QColor& textColour, const QFont& font)
{
    qreal wanted = std::min(box.width() - iconSide - spacing, textWidth(text, font));
    Row row(box, side, iconSide + spacing + wanted);
    ui::Icons::paint(painter, square(row.take(iconSide), iconSide), symbol, iconColour);
    drawText(painter, row.take(wanted), text, font, textColour);
}

void textOnly(QPainter& painter, const QRectF& box, Side side, const QString& text, const QColor& colour,
              const QFont& font)
{
    Row row(box, side, std::min(box.width(), textWidth(text, font)));
    drawText(painter, row.take(box.width()), text, font, colour);
}

void ring(QPainter& painter, const QRectF& slot, double fraction, const QColor& tint)
{
    QRectF circle = square(slot, iconSide - 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::track, 2.5));
    painter.drawEllipse(circle);
    painter.setPen(QPen(tint, 2.5, Qt::SolidLine, Qt::RoundCap));
    int span = int(std::lround(-std::clamp(fraction, 0.0, 1.0) * 360 * 16));
    painter.drawArc(circle, 90 * 16, span);
    painter.restore();
}

void gauge(QPainter& painter, const QRectF& box, Side side, int percent, const QColor& tint, bool charging)
{
    percent = std::clamp(percent, 0, 100);
    QString label = QString::number(percent) + QLatin1Char('%');
    QFont font = Fonts::font(Fonts::Style::ear);
    qreal bodyWidth = 24;
    Row row(box, side, bodyWidth + spacing + textWidth(label, font));
    QRectF slot = row.take(bodyWidth);
    QRectF body(slot.left(), slot.center().y() - 5.5, bodyWidth - 3, 11);
    QColor fill = percent <= 20 && !charging ? Palette::critical : charging ? Palette::good : tint;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::secondaryText, 1));
    painter.drawRoundedRect(body, 3, 3);
    painter.fillRect(QRectF(body.right() + 0.5, body.center().y() - 2, 2, 4), Palette::secondaryText);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(body.adjusted(1.5, 1.5, -1.5 - (body.width() - 3) * (100 - percent) / 100.0, -1.5), 1.5, 1.5);
    if (charging)
        ui::Icons::paint(painter, square(body, 10), "bolt.fill", Palette::text);
    painter.restore();
    drawText(painter, row.take(box.width()), label, font, Palette::text);
}

void bars(QPainter& painter, const QRectF& box, Side side, const QColor& tint)
{
    // A still frame of the moving bars: the heights a beat leaves behind.
    constexpr double heights[] = {0.45, 0.9, 0.6, 0.75, 0.35};
    constexpr qreal barWidth = 3;
    qreal total = std::size(heights) * (barWidth + 2);
    Row row(box, side, total);
    QRectF slot = row.take(total);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    for (std::size_t i = 0; i < std::size(heights); ++i) {
        qreal height = 14 * heights[i];
        painter.drawRoundedRect(QRectF(slot.left() + i * (barWidth + 2), slot.center().y() - height / 2, barWidth, height),
                                1.5, 1.5);
    }
    painter.restore();
}

void level(QPainter& painter, const QRectF& box, Side side, double value, bool muted, const QColor& tint)
{
    qreal width = std::min<qreal>(box.width(), 56);
    Row row(box, side, width);
    QRectF slot = row.take(width);
    QRectF track(slot.left(), slot.center().y() - 2.5, slot.width(), 5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::track);
    painter.drawRoundedRect(track, 2.5, 2.5);
    if (!muted) {
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(track.width() * std::clamp(value, 0.0, 1.0), 5)), 2.5, 2.5);
    }
    painter.restore();
}

QString budsLine(const BudsBattery& battery)
{
    QStringList parts;
    auto add = [&](const char* name, const std::optional<int>& level) {
        if (level)
            parts.push_back(QLatin1String(name) + QString::number(*level) + QLatin1Char('%'));
    };
    add("L ", battery.left);
    add("R ", battery.right);
    add("Case ", battery.caseLevel);
    return parts.join(QStringLiteral(" · "));
}

}  // namespace

void paint(QPainter& painter, const QRectF& box, const EarContent& content, const QColor& tint, Side side,
           const ArtworkCache* artwork)
{
    const QFont font = Fonts::font(Fonts::Style::ear);
    std::visit(
        [&](const auto& value) {
            using Case = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Case, EarContent::None>) {
            } else if constexpr (std::is_same_v<Case, EarContent::Symbol>) {
                Row row(box, side, iconSide);
                ui::Icons::paint(painter, square(row.take(iconSide), iconSide), value.name, tint);
            } else if constexpr (std::is_same_v<Case, EarContent::Text>) {
                textOnly(painter, box, side, qs(value.text), Palette::text, font);
            } else if constexpr (std::is_same_v<Case, EarContent::SymbolText>) {
                symbolAndText(painter, box, side, value.symbol, qs(value.text), tint, Palette::text, font);
            } else if constexpr (std::is_same_v<Case, EarContent::Artwork>) {
                Row row(box, side, 20);
                QRectF tile = square(row.take(20), 20);
                auto image = artwork != nullptr ? artwork->image(value.key) : std::nullopt;
                painter.save();
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                if (image) {
                    QPainterPath rounded;
                    rounded.addRoundedRect(tile, 4, 4);
                    painter.setClipPath(rounded, Qt::IntersectClip);
                    // Filled, not fitted: the middle of a non-square cover.
                    QSizeF cover = QSizeF(image->size()).scaled(tile.size(), Qt::KeepAspectRatioByExpanding);
                    painter.drawImage(QRectF(tile.center() - QPointF(cover.width(), cover.height()) / 2, cover), *image);
                    painter.restore();
                } else {
                    painter.setPen(Qt::NoPen);
                    painter.setBrush(tint.darker(160));
                    painter.drawRoundedRect(tile, 4, 4);
                    painter.restore();
                    ui::Icons::paint(painter, tile.adjusted(4, 4, -4, -4), "music.note", Palette::text);
                }
            } else if constexpr (std::is_same_v<Case, EarContent::Progress>) {
                Row row(box, side, iconSide);
                ring(painter, row.take(iconSide), value.value, tint);
            } else if constexpr (std::is_same_v<Case, EarContent::Level>) {
                level(painter, box, side, value.value, value.muted, tint);
            } else if constexpr (std::is_same_v<Case, EarContent::Bars>) {
                bars(painter, box, side, tint);
            } else if constexpr (std::is_same_v<Case, EarContent::Dot>) {
                Row row(box, side, 8);
                painter.save();
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(Qt::NoPen);
                painter.setBrush(fromHex(value.hex, tint));
                painter.drawEllipse(square(row.take(8), 8));
                painter.restore();
            } else if constexpr (std::is_same_v<Case, EarContent::Battery>) {
                gauge(painter, box, side, value.percent, tint, false);
            } else if constexpr (std::is_same_v<Case, EarContent::ProgressPercent>) {
                int percent = int(std::lround(std::clamp(value.value, 0.0, 1.0) * 100));
                textOnly(painter, box, side, QString::number(percent) + QLatin1Char('%'), Palette::text, font);
            } else if constexpr (std::is_same_v<Case, EarContent::HoldRing>) {
                Row row(box, side, iconSide);
                QRectF slot = row.take(iconSide);
                ring(painter, slot, 1.0, tint);
                ui::Icons::paint(painter, square(slot, 8), value.symbol, Palette::text);
            } else if constexpr (std::is_same_v<Case, EarContent::SecondaryText>) {
                textOnly(painter, box, side, qs(value.text), Palette::secondaryText, font);
            } else if constexpr (std::is_same_v<Case, EarContent::TintedSymbolText>) {
                QColor colour = fromHex(value.hex, tint);
                symbolAndText(painter, box, side, value.symbol, qs(value.text), colour, colour, font);
            } else if constexpr (std::is_same_v<Case, EarContent::TintedLabel>) {
                QColor colour = fromHex(value.hex, tint);
                symbolAndText(painter, box, side, value.symbol, qs(value.text), colour, colour,
                              Fonts::font(value.mono ? Fonts::Style::earMono : Fonts::Style::ear));
            } else if constexpr (std::is_same_v<Case, EarContent::Lyric>) {
                QFont italic = font;
                italic.setItalic(true);
                textOnly(painter, box, side, qs(value.text), Palette::text, italic);
            } else if constexpr (std::is_same_v<Case, EarContent::Pair>) {
                qreal half = (box.width() - spacing) / 2;
                QRectF first(box.left(), box.top(), half, box.height());
                QRectF second(box.right() - half, box.top(), half, box.height());
                if (value.first)
                    EarPainter::paint(painter, first, *value.first, tint, Side::right, artwork);
                if (value.second)
                    EarPainter::paint(painter, second, *value.second, tint, Side::left, artwork);
            } else if constexpr (std::is_same_v<Case, EarContent::Charge>) {
                gauge(painter, box, side, value.percent, tint, value.state != ChargeState::discharging);
            } else if constexpr (std::is_same_v<Case, EarContent::Buds>) {
                symbolAndText(painter, box, side, "speaker.wave.2", budsLine(value.battery), tint, Palette::text, font);
            }
        },
        content.value);
}

std::string caseName(const EarContent& content)
{
    nlohmann::json json = content.toJson();
    if (json.is_object() && !json.empty())
        return json.begin().key();
    return json.is_string() ? json.get<std::string>() : std::string("none");
}

}  // namespace corvane::app::EarPainter
