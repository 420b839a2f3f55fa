#include "tests/platform/KeyringDaemon.h"

#include <filesystem>

#include <QDBusConnectionInterface>
#include <QProcessEnvironment>

namespace corvane::testing {

namespace {

constexpr char password[] = "lunebox-test";

}  // namespace

KeyringDaemon::KeyringDaemon(PrivateBus& bus)
{
    if (!bus.isRunning()) {
        failure_ = QStringLiteral("no bus: ") + bus.failure();
        return;
    }
    auto folder = [&](const char* name) {
        auto path = folder_ / name;
        std::filesystem::create_directory(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return QString::fromStdString(path.string());
    };
    // Nothing of the user's session: its home, keyrings and sockets are ours.
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), folder("home"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder("data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder("config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder("runtime"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    daemon_.setProcessEnvironment(environment);
    daemon_.setProgram(QStringLiteral("gnome-keyring-daemon"));
    daemon_.setArguments({QStringLiteral("--foreground"), QStringLiteral("--components=secrets"),
                          QStringLiteral("--unlock")});
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start();
    if (!daemon_.waitForStarted(5000)) {
        failure_ = QStringLiteral("gnome-keyring-daemon: ") + daemon_.errorString();
        return;
    }
    daemon_.write(password);
    daemon_.closeWriteChannel();

    QDBusConnection connection = bus.connect();
    bool owned = waitUntil(
        [&] {
            return daemon_.state() != QProcess::Running
                || connection.interface()->isServiceRegistered(QString::fromLatin1(serviceName)).value();
        },
        10000);
    if (daemon_.state() != QProcess::Running)
        failure_ = QStringLiteral("gnome-keyring-daemon exited with %1").arg(daemon_.exitCode());
    else if (!owned)
        failure_ = QStringLiteral("gnome-keyring-daemon did not take its name on the bus");
}

KeyringDaemon::~KeyringDaemon()
{
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) {
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }
}

}  // namespace corvane::testing
