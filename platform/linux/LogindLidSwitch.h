#pragma once
// The lid through systemd-logind on the system bus: the manager's
// LidClosed property.
//
// Linux notes: logind declares LidClosed with EmitsChangedSignal "false",
// so it never announces a change; the reader asks with
// org.freedesktop.DBus.Properties.Get on its own schedule. A manager that
// does send PropertiesChanged for it (or invalidates it) is followed too.

#include <functional>
#include <optional>

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "platform/LidSwitch.h"

namespace corvane::platform {

class LogindLidSwitch final : public QObject, public LidSwitch {
    Q_OBJECT
public:
    static constexpr const char* property = "LidClosed";

    explicit LogindLidSwitch(QDBusConnection system = QDBusConnection::systemBus(), int replyTimeoutMs = 2'000);

    void read(std::function<void(std::optional<bool> closed)> done) override;
    void onChange(std::function<void(bool closed)> handler) override;

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    QDBusConnection system_;
    int replyTimeoutMs_;
    std::function<void(bool)> handler_;
};

}  // namespace corvane::platform
