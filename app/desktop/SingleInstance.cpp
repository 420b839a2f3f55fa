#include "app/desktop/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTimer>

#include "core/base/Log.h"

namespace corvane::app {

namespace fs = std::filesystem;

namespace {

const Logger logger("instance");

// A client that has not sent its line by then is dropped.
constexpr int readTimeoutMs = 5000;
constexpr char acknowledgement[] = "ok\n";

// Sockets and locks may live only in an absolute path to a real folder of
// ours that nobody else can enter.
Result<void> privateFolder(const fs::path& folder)
{
    if (!folder.is_absolute())
        return fail(Error::make(Error::Code::Invalid, "use runtime folder", folder.string()));
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return fail(Error::fromErrno("stat", folder.string()));
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 0777) != 0700)
        return fail(Error::make(Error::Code::PermissionDenied, "use runtime folder", folder.string()));
    return {};
}

}  // namespace

Result<fs::path> runtimeFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] != '\0') {
        fs::path folder(runtime);
        auto usable = privateFolder(folder);
        if (usable)
            return folder;
        // A stale or foreign folder must not cost the one-instance check.
        logger.warning("XDG_RUNTIME_DIR is not usable ({}), using the temporary folder", usable.error().message());
    }

    std::error_code error;
    fs::path temp = fs::temp_directory_path(error);
    if (error)
        temp = "/tmp";
    fs::path folder = temp / ("lunebox-" + std::to_string(::getuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return fail(Error::fromErrno("mkdir", folder.string()));
    // The temporary directory is shared: someone else may have made this name first.
    if (auto usable = privateFolder(folder); !usable)
        return fail(usable.error());
    return folder;
}

SingleInstance::SingleInstance(fs::path folder, const QString& applicationId, QObject* parent)
    : QObject(parent),
      lockPath_(folder / (applicationId.toStdString() + ".lock")),
      socketPath_(QString::fromStdString((folder / (applicationId.toStdString() + ".socket")).string()))
{
}

SingleInstance::~SingleInstance()
{
    if (server_ && server_->isListening()) {
        server_->close();
        QLocalServer::removeServer(socketPath_);
    }
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

Result<SingleInstance::Role> SingleInstance::claim()
{
    int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return fail(Error::fromErrno("open", lockPath_.string()));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Role::Secondary;
        return fail(Error::fromErrno("lock", lockPath_.string(), err));
    }
    lockFd_ = fd;
    return Role::Primary;
}

Result<void> SingleInstance::listen()
{
    if (lockFd_ < 0)
        return fail(Error::make(Error::Code::Invalid, "listen", "the instance lock is not held"));
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::accept);
    // Holding the lock, any socket at the path is a leftover of a crash.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_))
        return fail(Error::make(Error::Code::Io, "listen", socketPath_.toStdString() + ": " + server_->errorString().toStdString()));
    return {};
}

Result<void> SingleInstance::handOff(const QStringList& arguments, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    auto left = [&] {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<std::int64_t>(0, ms.count()));
    };
    QLocalSocket socket;
    // The first instance holds the lock from before it listens: retry until it does.
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(left()))
            break;
        if (left() == 0)
            return fail(Error::make(Error::Code::Unavailable, "connect", socketPath_.toStdString()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    socket.write(encode(arguments));
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(left()))
            return fail(Error::make(Error::Code::TimedOut, "hand off arguments", socketPath_.toStdString()));
        answer += socket.readAll();
        if (answer.size() > qsizetype(sizeof acknowledgement - 1))
            break;
    }
    if (answer != acknowledgement)
        return fail(Error::make(Error::Code::Malformed, "hand off arguments", "unexpected answer"));
    return {};
}

QByteArray SingleInstance::encode(const QStringList& arguments)
{
    return QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QStringList> SingleInstance::decode(const QByteArray& message)
{
    if (message.size() > maxMessageBytes)
        return std::nullopt;
    QJsonParseError error;
    auto document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().size() > maxArguments)
        return std::nullopt;
    QStringList arguments;
    for (const auto& value : document.array()) {
        if (!value.isString())
            return std::nullopt;
        arguments.push_back(value.toString());
    }
    return arguments;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setReadBufferSize(maxMessageBytes + 1);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, [socket] {
            logger.warning("dropped a launch that sent no arguments in time");
            socket->abort();
        });
        timeout->start(readTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, timeout] {
            // The line is complete when its newline arrives; peek until then.
            QByteArray pending = socket->peek(maxMessageBytes + 1);
            qsizetype end = pending.indexOf('\n');
            if (end < 0) {
                if (pending.size() > maxMessageBytes) {
                    logger.warning("dropped an oversized hand-off from another launch");
                    socket->abort();
                }
                return;
            }
            QByteArray line = socket->read(end + 1);
            socket->disconnect(this);
            timeout->stop();
            auto arguments = decode(line.chopped(1));
            if (!arguments) {
                logger.warning("dropped a malformed hand-off from another launch");
                socket->abort();
                return;
            }
            socket->write(acknowledgement);
            socket->disconnectFromServer();
            emit argumentsReceived(*arguments);
        });
    }
}

}  // namespace corvane::app
