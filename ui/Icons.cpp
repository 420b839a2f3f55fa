#include "ui/Icons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include <QIcon>
#include <QStringList>
#include <QPainter>
#include <QString>

namespace corvane::ui::Icons {

namespace {

// Sorted by symbol name for the binary search in themeName().
constexpr std::array entries{
    Entry{"arrow.counterclockwise", "view-refresh-symbolic"},
    Entry{"arrow.down.circle.fill", "go-down-symbolic"},
    Entry{"arrow.triangle.branch", "media-playlist-consecutive-symbolic"},
    Entry{"arrow.up.circle.fill", "go-up-symbolic"},
    Entry{"arrowtriangle.down.fill", "pan-down-symbolic"},
    Entry{"arrowtriangle.up.fill", "pan-up-symbolic"},
    Entry{"battery", "battery-good-symbolic"},
    Entry{"battery.25", "battery-low-symbolic"},
    Entry{"bell", "preferences-system-notifications-symbolic"},
    Entry{"bell.fill", "preferences-system-notifications-symbolic"},
    Entry{"bolt.fill", "thunderbolt-symbolic"},
    Entry{"calendar", "x-office-calendar-symbolic"},
    Entry{"camera.viewfinder", "camera-photo-symbolic"},
    Entry{"checkmark", "object-select-symbolic"},
    Entry{"checkmark.circle.fill", "emblem-ok-symbolic"},
    Entry{"chevron.left.forwardslash.chevron.right", "applications-engineering-symbolic"},
    Entry{"clock", "preferences-system-time-symbolic"},
    Entry{"cloud.bolt.rain.fill", "weather-storm-symbolic"},
    Entry{"cloud.drizzle.fill", "weather-showers-scattered-symbolic"},
    Entry{"cloud.fill", "weather-overcast-symbolic"},
    Entry{"cloud.fog.fill", "weather-fog-symbolic"},
    Entry{"cloud.heavyrain.fill", "weather-showers-symbolic"},
    Entry{"cloud.moon.fill", "weather-few-clouds-night-symbolic"},
    Entry{"cloud.rain.fill", "weather-showers-symbolic"},
    Entry{"cloud.snow.fill", "weather-snow-symbolic"},
    Entry{"cloud.sun", "weather-few-clouds-symbolic"},
    Entry{"cloud.sun.fill", "weather-few-clouds-symbolic"},
    Entry{"cpu", "computer-symbolic"},
    Entry{"cpu.fill", "computer-symbolic"},
    Entry{"cup.and.saucer", "emoji-food-symbolic"},
    Entry{"cup.and.saucer.fill", "emoji-food-symbolic"},
    Entry{"display", "video-display-symbolic"},
    Entry{"doc.on.clipboard", "edit-paste-symbolic"},
    Entry{"dot.radiowaves.left.and.right", "network-wireless-symbolic"},
    Entry{"ellipsis", "view-more-horizontal-symbolic"},
    Entry{"exclamationmark.shield.fill", "security-low-symbolic"},
    Entry{"exclamationmark.triangle", "dialog-warning-symbolic"},
    Entry{"exclamationmark.triangle.fill", "dialog-warning-symbolic"},
    Entry{"externaldrive", "drive-harddisk-symbolic"},
    Entry{"film.fill", "video-x-generic-symbolic"},
    Entry{"folder", "folder-symbolic"},
    Entry{"gauge", "power-profile-performance-symbolic"},
    Entry{"gauge.with.needle", "power-profile-performance-symbolic"},
    Entry{"globe", "web-browser-symbolic"},
    Entry{"hammer", "applications-engineering-symbolic"},
    Entry{"hammer.fill", "applications-engineering-symbolic"},
    Entry{"hand.raised.fill", "action-unavailable-symbolic"},
    Entry{"house.fill", "user-home-symbolic"},
    Entry{"keyboard", "input-keyboard-symbolic"},
    Entry{"lock", "system-lock-screen-symbolic"},
    Entry{"lock.fill", "system-lock-screen-symbolic"},
    Entry{"macwindow", "focus-windows-symbolic"},
    Entry{"message", "chat-message-new-symbolic"},
    Entry{"moon", "weather-clear-night-symbolic"},
    Entry{"moon.fill", "weather-clear-night-symbolic"},
    Entry{"moon.stars.fill", "weather-clear-night-symbolic"},
    Entry{"mug", "emoji-food-symbolic"},
    Entry{"music.note", "audio-x-generic-symbolic"},
    Entry{"network", "network-workgroup-symbolic"},
    Entry{"note.text", "accessories-text-editor-symbolic"},
    Entry{"pawprint", "emoji-nature-symbolic"},
    Entry{"powerplug", "ac-adapter-symbolic"},
    Entry{"server.rack", "network-server-symbolic"},
    Entry{"shippingbox", "package-x-generic-symbolic"},
    Entry{"shippingbox.fill", "package-x-generic-symbolic"},
    Entry{"sparkles", "starred-symbolic"},
    Entry{"speaker.wave.2", "audio-volume-medium-symbolic"},
    Entry{"sun.max", "weather-clear-symbolic"},
    Entry{"sun.max.fill", "weather-clear-symbolic"},
    Entry{"terminal", "utilities-terminal-symbolic"},
    Entry{"thermometer.high", "weather-severe-alert-symbolic"},
    Entry{"timer", "alarm-symbolic"},
    Entry{"tray.full", "mail-unread-symbolic"},
    Entry{"tray.full.fill", "mail-unread-symbolic"},
    Entry{"waveform.path.ecg", "power-profile-balanced-symbolic"},
    Entry{"wrench.and.screwdriver", "applications-utilities-symbolic"},
    Entry{"xmark.circle.fill", "window-close-symbolic"},
};

constexpr bool sorted()
{
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (!(entries[i - 1].symbol < entries[i].symbol))
            return false;
    }
    return true;
}
static_assert(sorted(), "the icon table must stay sorted by symbol");

}  // namespace

std::span<const Entry> table() { return entries; }

std::optional<std::string_view> themeName(std::string_view symbol)
{
    auto found = std::lower_bound(entries.begin(), entries.end(), symbol,
                                  [](const Entry& entry, std::string_view name) { return entry.symbol < name; });
    if (found == entries.end() || found->symbol != symbol)
        return std::nullopt;
    return found->themeName;
}

void useTheme()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Desktops that set a theme of their own keep it; bare sessions
        // (Xvfb, the offscreen platform) get the one Debian always ships,
        // and without a desktop's platform theme Qt looks only in its own
        // resources, so the XDG icon folders are added.
        QStringList paths = QIcon::themeSearchPaths();
        const QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
        for (const QString& folder : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            const QString icons = folder + QStringLiteral("/icons");
            if (!paths.contains(icons))
                paths.append(icons);
        }
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    });
}

QImage tinted(std::string_view symbol, int pixels, const QColor& tint)
{
    auto name = themeName(symbol);
    if (!name || pixels <= 0)
        return {};
    useTheme();
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name->data(), qsizetype(name->size())));
    if (icon.isNull())
        return {};
    QImage image = icon.pixmap(QSize(pixels, pixels)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    return image;
}

bool paint(QPainter& painter, const QRectF& box, std::string_view symbol, const QColor& tint)
{
    qreal side = std::min(box.width(), box.height());
    qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    QImage image = tinted(symbol, int(std::ceil(side * ratio)), tint);
    if (image.isNull()) {
        paintFallback(painter, box, tint);
        return false;
    }
    QRectF target(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
    return true;
}

void paintFallback(QPainter& painter, const QRectF& box, const QColor& tint)
{
    qreal side = std::min(box.width(), box.height());
    QRectF ring(box.center().x() - side * 0.4, box.center().y() - side * 0.4, side * 0.8, side * 0.8);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(tint, std::max<qreal>(1.0, side / 10)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawEllipse(ring.center(), side * 0.14, side * 0.14);
    painter.restore();
}

}  // namespace corvane::ui::Icons
