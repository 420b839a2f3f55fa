#pragma once
// One running app per user and application id. The first start holds an
// exclusive lock on "<id>.lock" for its whole life and listens on
// "<id>.socket" beside it; a later start finds the lock taken, hands its
// arguments (URLs such as lunebox://quiet?on=1) to the first over the socket
// and exits. The lock, not the socket, decides who is first, so a socket
// left behind by a crash is simply replaced and two starts at the same
// moment cannot both listen.
//
// Wire format: the client sends one JSON array of strings and a newline; the
// server answers "ok\n" once the arguments are taken.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include "core/base/Result.h"

namespace corvane::app {

// The per-user folder for sockets and locks: $XDG_RUNTIME_DIR when it is a
// real folder of ours with mode 0700, else a folder "lunebox-<uid>" in the
// temporary directory, created 0700 and refused unless it is the same.
Result<std::filesystem::path> runtimeFolder();

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role { Primary, Secondary };

    static constexpr qsizetype maxMessageBytes = 64 * 1024;
    static constexpr qsizetype maxArguments = 64;

    SingleInstance(std::filesystem::path folder, const QString& applicationId, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock. Needs no application object, so a later start can
    // find out before it connects to the display.
    Result<Role> claim();
    // As the first instance, once the application object exists: replaces a
    // socket left by a crash and listens.
    Result<void> listen();
    // As a later instance: delivers the arguments to the first, blocking for
    // at most `timeout` (the first may still be starting up).
    Result<void> handOff(const QStringList& arguments, std::chrono::milliseconds timeout);

    static QByteArray encode(const QStringList& arguments);
    // Nothing for anything but an array of at most maxArguments strings.
    static std::optional<QStringList> decode(const QByteArray& message);

signals:
    void argumentsReceived(const QStringList& arguments);

private:
    void accept();

    std::filesystem::path lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace corvane::app
