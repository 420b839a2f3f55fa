#pragma once
// The tray icon (a StatusNotifierItem through Qt) and its menu: open
// settings, keep awake (quick timers, stop, Auto Mode), pause or resume,
// quiet mode, quit. It only shows state and
// reports the user's choices; the delegate decides what they do. A session
// without a tray (a bare X server) is normal: the icon waits for one while
// the rest of the app runs.

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace corvane::app {

class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

    void showPaused(bool paused);
    void showQuiet(bool quiet);
    // `holding`: a keep-awake hold of ours is taken; `autoMode`: Auto Mode is on.
    void showKeepAwake(bool holding, bool autoMode);

signals:
    void openSettingsRequested();
    void pauseRequested(bool paused);
    void quietRequested(bool quiet);
    void quitRequested();
    // Seconds of a timed session; 0 keeps awake until stopped.
    void keepAwakeRequested(double seconds);
    void keepAwakeStopRequested();
    void autoModeRequested(bool on);

private:
    void refresh();

    QMenu menu_;
    QAction* pause_ = nullptr;
    QAction* quiet_ = nullptr;
    QAction* keepAwakeStop_ = nullptr;
    QAction* autoMode_ = nullptr;
    QSystemTrayIcon icon_;
    bool paused_ = false;
    bool quietShown_ = false;
};

}  // namespace corvane::app
