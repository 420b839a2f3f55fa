#include "app/desktop/CardWindow.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QSurfaceFormat>

#include "core/base/Log.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;

const Logger logger("alerts");

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QPainterPath roundedBox(QSizeF size)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), CardWindow::cornerRadius, CardWindow::cornerRadius);
    return path;
}

void line(QPainter& painter, const QRectF& box, const QString& text, Fonts::Style style, const QColor& colour)
{
    QFont font = Fonts::font(style);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QFontMetricsF(font).elidedText(text, Qt::ElideRight, box.width()));
}

}  // namespace

AlertCardPlan CardWindow::planOf(const PresentedAlert& alert)
{
    if (alert.card)
        return *alert.card;
    AlertCardPlan plan{
        .symbol = alert.ear ? alert.ear->symbol : std::string("bell.fill"),
        .brand = std::nullopt,
        .badge = std::nullopt,
        .tintHex = "#0A84FF",
        .eyebrow = alert.moduleID,
        .context = alert.body.empty() ? std::nullopt : std::optional(alert.body),
        .headline = alert.title,
    };
    plan.applyBrand(alert.kind, alert.title + " " + alert.body);
    return plan;
}

void CardWindow::paintCard(QPainter& painter, QSizeF size, const AlertQueue::Card& card, WallTime now,
                           std::optional<InboxAction> action)
{
    AlertCardPlan plan = planOf(card.alert);
    QColor tint = Palette::fromHex(plan.tintHex);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillPath(roundedBox(size), Palette::island);

    QRectF tile(14, (size.height() - 40) / 2, 40, 40);
    painter.setPen(Qt::NoPen);
    QColor tileColour = tint;
    tileColour.setAlpha(60);
    painter.setBrush(tileColour);
    painter.drawRoundedRect(tile, 10, 10);
    ui::Icons::paint(painter, tile.adjusted(10, 10, -10, -10), plan.symbol, tint);

    std::string badge = AlertQueue::repeatBadge(card.alert.count);
    qreal right = size.width() - 14;
    if (!badge.empty()) {
        QFont font = Fonts::font(Fonts::Style::caption);
        qreal width = QFontMetricsF(font).horizontalAdvance(qs(badge)) + 12;
        QRectF pill(right - width, 12, width, 18);
        painter.setBrush(Palette::panelRaised);
        painter.drawRoundedRect(pill, 9, 9);
        painter.setFont(font);
        painter.setPen(Palette::text);
        painter.drawText(pill, Qt::AlignCenter, qs(badge));
        right = pill.left() - 6;
    }
    qreal left = tile.right() + 12;
    qreal textRight = size.width() - 14;
    if (action) {
        QFont font = Fonts::font(Fonts::Style::caption);
        font.setWeight(QFont::DemiBold);
        QString label = qs(corvane::title(*action));
        qreal width = QFontMetricsF(font).horizontalAdvance(label) + 20;
        QRectF button(textRight - width, 36, width, 24);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(button, 12, 12);
        painter.setFont(font);
        painter.setPen(Palette::text);
        painter.drawText(button, Qt::AlignCenter, label);
        textRight = button.left() - 8;
    }
    std::string eyebrow = plan.eyebrow;
    if (plan.badge)
        eyebrow += " · " + *plan.badge;
    line(painter, QRectF(left, 10, right - left, 16), qs(eyebrow), Fonts::Style::caption, tint);
    line(painter, QRectF(left, 27, textRight - left, 20), qs(plan.headline), Fonts::Style::headline, Palette::text);
    if (plan.context)
        line(painter, QRectF(left, 47, textRight - left, 18), qs(*plan.context), Fonts::Style::body,
             Palette::secondaryText);

    // The time left, as a thin bar along the bottom edge.
    double fraction = card.countdown.fraction(now);
    QRectF track(CardWindow::cornerRadius, size.height() - 5, size.width() - 2 * CardWindow::cornerRadius, 2);
    painter.fillRect(track, Palette::track);
    painter.fillRect(QRectF(track.topLeft(), QSizeF(track.width() * fraction, track.height())),
                     card.countdown.isPaused() ? Palette::secondaryText : tint);
    painter.restore();
}

CardWindow::CardWindow(CardPresenter& presenter, AlertActions& actions) : presenter_(presenter), actions_(actions)
{
    setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus
             | Qt::NoDropShadowWindowHint | Qt::BypassWindowManagerHint);
    QSurfaceFormat format = this->format();
    format.setAlphaBufferSize(8);
    setFormat(format);
    resize(cardSize);
    setMask(QRegion(roundedBox(cardSize).toFillPolygon().toPolygon()));
    frames_.setInterval(50);
    connect(&frames_, &QTimer::timeout, this, [this] { update(); });
    connect(&presenter_, &CardPresenter::cardChanged, this, &CardWindow::cardChanged);
}

void CardWindow::cardChanged()
{
    const auto& visible = presenter_.queue().visible();
    if (visible && !visible->countdown.isPaused() && isVisible())
        frames_.start();
    else
        frames_.stop();
    update();
}

bool CardWindow::event(QEvent* event)
{
    if (event->type() == QEvent::Enter)
        presenter_.pointerEntered();
    else if (event->type() == QEvent::Leave)
        presenter_.pointerLeft();
    return QRasterWindow::event(event);
}

void CardWindow::paintEvent(QPaintEvent*)
{
    const auto& visible = presenter_.queue().visible();
    if (!visible)
        return;
    QPainter painter(this);
    paintCard(painter, size(), *visible, presenter_.now(), actions_.cardAction(visible->alert, presenter_.now()));
}

void CardWindow::mousePressEvent(QMouseEvent* event)
{
    const auto& visible = presenter_.queue().visible();
    if (visible && event->button() == Qt::LeftButton) {
        // A copy: dismissing lets the next card in.
        PresentedAlert alert = visible->alert;
        WallTime now = presenter_.now();
        bool acts = actions_.cardAction(alert, now).has_value();
        presenter_.dismiss();
        if (acts) {
            if (auto done = actions_.runCard(alert, now); !done)
                logger.warning("the card's action did nothing: {}", done.error().message());
        }
    }
    QRasterWindow::mousePressEvent(event);
}

}  // namespace corvane::app
