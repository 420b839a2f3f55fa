#include "tests/platform/PrivateBus.h"
#include "tests/core/base/PrivateBusConfiguration.h"

#include <atomic>
#include <fstream>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace corvane::testing {

void ensureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    static auto* application = new QCoreApplication(argc, argv);
    (void)application;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool FakeObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    calls.push_back(message);
    if (auto reply = handler_(message))
        connection.send(*reply);
    return true;
}

PrivateBus::PrivateBus()
{
    ensureApplication();
    auto configPath = folder_ / "bus.conf";
    std::ofstream(configPath) << privateBusConfiguration(folder_.path());
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--config-file=") + QString::fromStdString(configPath.string()),
                          QStringLiteral("--nofork"), QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    daemon_.start(QIODevice::ReadOnly);
    if (!daemon_.waitForStarted(5000)) {
        failure_ = daemon_.errorString();
        return;
    }
    QByteArray printed;
    QDeadlineTimer deadline(5000);
    while (!printed.contains('\n') && !deadline.hasExpired() && daemon_.waitForReadyRead(deadline.remainingTime()))
        printed += daemon_.readAllStandardOutput();
    if (!printed.contains('\n')) {
        failure_ = QStringLiteral("dbus-daemon printed no address: ") + QString::fromLocal8Bit(daemon_.readAllStandardError());
        return;
    }
    address_ = QString::fromUtf8(printed.left(printed.indexOf('\n')).trimmed());
}

PrivateBus::~PrivateBus()
{
    for (const auto& name : connectionNames_)
        QDBusConnection::disconnectFromBus(name);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(3000);
        }
    }
}

QDBusConnection PrivateBus::connect()
{
    static std::atomic<int> counter{0};
    QString name = QStringLiteral("lunebox-test-bus-%1").arg(++counter);
    connectionNames_.push_back(name);
    return QDBusConnection::connectToBus(address_, name);
}

bool PrivateBus::serve(const QString& serviceName, const QString& path, FakeObject& object)
{
    QDBusConnection connection = connect();
    return connection.isConnected() && connection.registerVirtualObject(path, &object)
        && connection.registerService(serviceName);
}

}  // namespace corvane::testing
