#pragma once
// A D-Bus bus of the test's own: a dbus-daemon started for the test, with
// its socket in a temporary folder, no service activation (so nothing on the
// machine is ever started by a call) and nothing shared with the user's
// session bus. Fake services (notifications, logind, screen saver, media
// players) are objects the test serves on it through FakeObject.

#include <functional>
#include <optional>
#include <vector>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "tests/core/base/TemporaryFolder.h"

namespace corvane::testing {

// The QCoreApplication that QtDBus and QProcess need, created once per process.
void ensureApplication();

// Runs the Qt event loop until `condition` holds or `timeoutMs` pass.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// An object served on a bus: every call to its path is recorded and goes
// to `handler`, which gives the reply (or an error reply) to send, or
// nothing to leave the caller waiting.
class FakeObject final : public QDBusVirtualObject {
public:
    using Handler = std::function<std::optional<QDBusMessage>(const QDBusMessage& call)>;

    explicit FakeObject(Handler handler) : handler_(std::move(handler)) {}

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    std::vector<QDBusMessage> calls;

private:
    Handler handler_;
};

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // False when dbus-daemon could not be started; `failure` says why.
    bool isRunning() const { return !address_.isEmpty(); }
    const QString& failure() const { return failure_; }
    // As a client passes it in DBUS_SESSION_BUS_ADDRESS.
    const QString& address() const { return address_; }

    // A new connection of its own to this bus; closed with the bus.
    QDBusConnection connect();
    // Owns `serviceName` on a new connection and serves `object` at `path`.
    bool serve(const QString& serviceName, const QString& path, FakeObject& object);

private:
    TemporaryFolder folder_;
    QProcess daemon_;
    QString address_;
    QString failure_;
    QStringList connectionNames_;
};

}  // namespace corvane::testing
