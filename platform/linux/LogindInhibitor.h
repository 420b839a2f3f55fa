#pragma once
// Power holds through systemd-logind on the system bus, and the screen
// saver on the session bus.
//
// Linux notes: Manager.Inhibit("sleep:idle", "Lunebox", why, "block")
// answers with a file descriptor; the lock lasts while any copy of it is
// open, so the hold keeps one and closes it to let go (and the kernel closes
// it for us if the process dies). A display hold also asks
// org.freedesktop.ScreenSaver.Inhibit for a cookie, given back with
// UnInhibit; a desktop without a screen saver service still gets the
// logind lock. ListInhibitors answers a(ssssuu): what, who, why, mode, uid,
// pid. PrepareForSleep(bool) comes from the manager; Lock and Unlock from
// this process's own session object, and ActiveChanged(bool) from the
// screen saver. The bus addresses come from DBUS_SYSTEM_BUS_ADDRESS and
// DBUS_SESSION_BUS_ADDRESS through Qt's default connections.

#include <functional>
#include <optional>
#include <string>

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include "platform/PowerInhibitor.h"

namespace corvane::platform {

class LogindInhibitor final : public QObject, public PowerInhibitor {
    Q_OBJECT
public:
    static constexpr const char* loginService = "org.freedesktop.login1";
    static constexpr const char* loginPath = "/org/freedesktop/login1";
    static constexpr const char* managerInterface = "org.freedesktop.login1.Manager";
    static constexpr const char* sessionInterface = "org.freedesktop.login1.Session";
    static constexpr const char* screenSaverService = "org.freedesktop.ScreenSaver";
    static constexpr const char* screenSaverPath = "/org/freedesktop/ScreenSaver";
    static constexpr const char* screenSaverInterface = "org.freedesktop.ScreenSaver";
    static constexpr const char* who = "Lunebox";
    static constexpr const char* what = "sleep:idle";
    static constexpr const char* mode = "block";

    explicit LogindInhibitor(QDBusConnection system = QDBusConnection::systemBus(),
                             QDBusConnection session = QDBusConnection::sessionBus(), int replyTimeoutMs = 2'000);

    Result<std::unique_ptr<PowerHold>> hold(AssertionKind kind, const std::string& why) override;
    void listInhibitors(std::function<void(Inhibitors)> done) override;
    void onSleep(std::function<void(bool goingToSleep)> handler) override;
    void onLock(std::function<void(bool locked)> handler) override;

private slots:
    void prepareForSleep(bool start);
    void sessionLocked();
    void sessionUnlocked();
    void screenSaverActiveChanged(bool active);

private:
    // This process's session object, or nothing outside a login session.
    std::optional<QString> sessionPath();

    QDBusConnection system_;
    QDBusConnection session_;
    int replyTimeoutMs_;
    std::function<void(bool)> sleepHandler_;
    std::function<void(bool)> lockHandler_;
    std::optional<bool> locked_;  // both lock sources report; each change counts once
};

}  // namespace corvane::platform
