#include "platform/linux/LogindLidSwitch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include "core/base/Log.h"
#include "platform/linux/LogindInhibitor.h"

namespace corvane::platform {

namespace {

const Logger logger("keepAwake");

constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";

}  // namespace

LogindLidSwitch::LogindLidSwitch(QDBusConnection system, int replyTimeoutMs)
    : system_(std::move(system)), replyTimeoutMs_(replyTimeoutMs)
{
}

void LogindLidSwitch::read(std::function<void(std::optional<bool> closed)> done)
{
    QDBusMessage call = QDBusMessage::createMethodCall(LogindInhibitor::loginService, LogindInhibitor::loginPath,
                                                       propertiesInterface, QStringLiteral("Get"));
    call << QString::fromLatin1(LogindInhibitor::managerInterface) << QString::fromLatin1(property);
    auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(call, replyTimeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                QDBusMessage reply = finished->reply();
                QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
                if (reply.type() != QDBusMessage::ReplyMessage || value.typeId() != QMetaType::Bool) {
                    logger.info("the lid's state is unknown: {}", reply.errorMessage().toStdString());
                    done(std::nullopt);
                    return;
                }
                done(value.toBool());
            });
}

void LogindLidSwitch::onChange(std::function<void(bool closed)> handler)
{
    handler_ = std::move(handler);
    if (!system_.connect(LogindInhibitor::loginService, LogindInhibitor::loginPath, propertiesInterface,
                         QStringLiteral("PropertiesChanged"), this,
                         SLOT(propertiesChanged(QString, QVariantMap, QStringList))))
        logger.info("lid changes are read on the tick only: {}", system_.lastError().message().toStdString());
}

void LogindLidSwitch::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                        const QStringList& invalidated)
{
    if (interface != QLatin1String(LogindInhibitor::managerInterface) || !handler_)
        return;
    QString name = QString::fromLatin1(property);
    if (auto found = changed.find(name); found != changed.end() && found->typeId() == QMetaType::Bool) {
        handler_(found->toBool());
        return;
    }
    if (!invalidated.contains(name))
        return;
    read([this](std::optional<bool> closed) {
        if (closed && handler_)
            handler_(*closed);
    });
}

}  // namespace corvane::platform
