#include "app/desktop/IslandWindow.h"

#include <algorithm>

#include <QRegion>
#include <QSurfaceFormat>

namespace corvane::app {

QPainterPath IslandWindow::closedShape(QSizeF size)
{
    qreal radius = std::min(cornerRadius, std::min(size.width(), size.height()) / 2);
    QPainterPath shape;
    shape.moveTo(0, 0);
    shape.lineTo(size.width(), 0);
    shape.lineTo(size.width(), size.height() - radius);
    shape.quadTo(size.width(), size.height(), size.width() - radius, size.height());
    shape.lineTo(radius, size.height());
    shape.quadTo(0, size.height(), 0, size.height() - radius);
    shape.closeSubpath();
    return shape;
}

void IslandWindow::paintClosed(QPainter& painter, QSizeF size)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillPath(closedShape(size), Qt::black);
    painter.restore();
}

IslandWindow::IslandWindow(QScreen* screen) : placedOn_(screen)
{
    // Tool keeps it out of the taskbar; it takes focus only once clicked.
    setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus
             | Qt::NoDropShadowWindowHint);
    QSurfaceFormat format = this->format();
    format.setAlphaBufferSize(8);
    setFormat(format);
    setTitle(QStringLiteral("Lunebox"));
    setScreen(screen);
    connect(screen, &QScreen::geometryChanged, this, &IslandWindow::place);
    place();
}

void IslandWindow::place()
{
    if (!placedOn_)
        return;
    QRect area = placedOn_->geometry();
    QSize size = closedSize;
    setGeometry(area.x() + (area.width() - size.width()) / 2, area.y(), size.width(), size.height());
    // Without a compositor the transparent corners would show black: the
    // mask cuts them out of the window itself.
    setMask(QRegion(closedShape(size).toFillPolygon().toPolygon()));
}

void IslandWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintClosed(painter, size());
}

void IslandWindow::mousePressEvent(QMouseEvent* event)
{
    if (flags().testFlag(Qt::WindowDoesNotAcceptFocus)) {
        setFlag(Qt::WindowDoesNotAcceptFocus, false);
        requestActivate();
    }
    QRasterWindow::mousePressEvent(event);
}

void IslandWindow::focusOutEvent(QFocusEvent* event)
{
    setFlag(Qt::WindowDoesNotAcceptFocus, true);
    QRasterWindow::focusOutEvent(event);
}

}  // namespace corvane::app
