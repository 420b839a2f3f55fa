#include "app/desktop/TrayIcon.h"

#include <algorithm>
#include <utility>

#include <QCursor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "core/base/Log.h"

namespace corvane::app {

namespace {

const Logger logger("tray");

// A small island: black with a light rim so it reads on dark and light
// panels; paused, it fades.
QIcon islandIcon(bool paused)
{
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(paused ? 0.45 : 1.0);
        qreal height = side * 0.45;
        QRectF island(side * 0.08, (side - height) / 2, side * 0.84, height);
        painter.setPen(QPen(QColor(255, 255, 255, 200), std::max(1.0, side / 16.0)));
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(island, height / 2, height / 2);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent)
{
    menu_.addAction(QStringLiteral("Open Settings…"), this, &TrayIcon::openSettingsRequested);
    QMenu* keepAwake = menu_.addMenu(QStringLiteral("Keep Awake"));
    for (auto [title, seconds] : {std::pair{"15 minutes", 900.0}, std::pair{"30 minutes", 1800.0},
                                  std::pair{"1 hour", 3600.0}, std::pair{"2 hours", 7200.0},
                                  std::pair{"Until stopped", 0.0}})
        keepAwake->addAction(QString::fromUtf8(title), this, [this, seconds] { emit keepAwakeRequested(seconds); });
    keepAwakeStop_ = keepAwake->addAction(QStringLiteral("Stop all"), this, &TrayIcon::keepAwakeStopRequested);
    keepAwakeStop_->setEnabled(false);
    keepAwake->addSeparator();
    autoMode_ = keepAwake->addAction(QStringLiteral("Auto Mode"));
    autoMode_->setCheckable(true);
    connect(autoMode_, &QAction::triggered, this, &TrayIcon::autoModeRequested);
    pause_ = menu_.addAction(QString(), this, [this] { emit pauseRequested(!paused_); });
    quiet_ = menu_.addAction(QStringLiteral("Quiet Mode"));
    quiet_->setCheckable(true);
    // `triggered` carries the new check state; showQuiet() sets it back to
    // what the setting says once the change went through.
    connect(quiet_, &QAction::triggered, this, &TrayIcon::quietRequested);
    menu_.addSeparator();
    menu_.addAction(QStringLiteral("Quit Lunebox"), this, &TrayIcon::quitRequested);

    icon_.setContextMenu(&menu_);
    // A plain click opens the same menu, as the status item does.
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            menu_.popup(QCursor::pos());
    });
    refresh();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        logger.info("no system tray in this session; the icon appears when one starts");
    icon_.show();
}

void TrayIcon::showPaused(bool paused)
{
    if (paused == paused_)
        return;
    paused_ = paused;
    refresh();
}

void TrayIcon::showQuiet(bool quiet)
{
    // Set even when the state is unchanged: a click may have flipped the
    // check mark of a change that did not happen.
    quiet_->setChecked(quiet);
    if (quiet == quietShown_)
        return;
    quietShown_ = quiet;
    refresh();
}

void TrayIcon::showKeepAwake(bool holding, bool autoMode)
{
    keepAwakeStop_->setEnabled(holding);
    autoMode_->setChecked(autoMode);
}

void TrayIcon::refresh()
{
    pause_->setText(paused_ ? QStringLiteral("Resume Lunebox") : QStringLiteral("Pause Lunebox"));
    icon_.setIcon(islandIcon(paused_));
    QString tip = QStringLiteral("Lunebox");
    if (paused_)
        tip += QStringLiteral(" (paused)");
    if (quietShown_)
        tip += QStringLiteral(" · Quiet Mode");
    icon_.setToolTip(tip);
}

}  // namespace corvane::app
