#include "platform/linux/FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

#include "core/base/Log.h"
#include "core/notch/KnownPaths.h"

namespace corvane::platform {

namespace {

const Logger logger("notifications");

}  // namespace

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection bus, int replyTimeoutMs)
    : bus_(std::move(bus))
    , desktopEntry_(QString::fromStdString(KnownPaths::compiledApplicationID()))
    , replyTimeoutMs_(replyTimeoutMs)
{
}

void FreedesktopNotifier::post(const DesktopNotification& notification)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(notification.timeSensitive ? criticalUrgency : normalUrgency));
    // Lets the server show our name and icon from the desktop file.
    hints.insert(QStringLiteral("desktop-entry"), desktopEntry_);
    call << QString::fromLatin1(applicationName)  // app_name
         << 0u                                    // replaces_id: a new notification
         << QString()                             // app_icon: taken from the desktop entry
         << QString::fromStdString(notification.title) << QString::fromStdString(notification.body)
         << QStringList()                         // actions
         << hints
         << -1;                                   // expire_timeout: the server's default

    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, replyTimeoutMs_));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [](QDBusPendingCallWatcher* finished) {
        if (finished->isError()) {
            QDBusError error = finished->error();
            logger.warning("posting a notification failed: {}: {}", error.name().toStdString(),
                           error.message().toStdString());
        }
        finished->deleteLater();
    });
}

}  // namespace corvane::platform
