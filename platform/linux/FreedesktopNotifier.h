#pragma once
// System notifications through org.freedesktop.Notifications on the session
// bus. Calls are asynchronous: a missing or hung notification server costs
// the caller nothing, and its failure ends up in the log.

#include <QDBusConnection>
#include <QString>

#include "platform/DesktopNotifier.h"

namespace corvane::platform {

class FreedesktopNotifier final : public DesktopNotifier {
public:
    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* interface = "org.freedesktop.Notifications";
    static constexpr const char* applicationName = "Lunebox";
    // Values of the "urgency" hint: 0 low, 1 normal, 2 critical.
    static constexpr unsigned char normalUrgency = 1;
    static constexpr unsigned char criticalUrgency = 2;

    // Tests hand in a connection to a private bus.
    explicit FreedesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), int replyTimeoutMs = 10'000);

    void post(const DesktopNotification& notification) override;

private:
    QDBusConnection bus_;
    QString desktopEntry_;
    int replyTimeoutMs_;
};

}  // namespace corvane::platform
