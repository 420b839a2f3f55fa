#include "platform/linux/LogindInhibitor.h"

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>

#include "core/base/FileDescriptor.h"
#include "core/base/Log.h"

namespace corvane::platform {

namespace {

const Logger logger("keepAwake");

Error busError(const char* operation, const QDBusMessage& reply)
{
    return Error::make(Error::Code::Unavailable, operation,
                       (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString());
}

class LogindHold final : public PowerHold {
public:
    LogindHold(FileDescriptor lock, std::optional<uint> cookie, QDBusConnection session)
        : lock_(std::move(lock)), cookie_(cookie), session_(std::move(session))
    {
    }

    ~LogindHold() override
    {
        if (!cookie_)
            return;
        QDBusMessage call = QDBusMessage::createMethodCall(
            LogindInhibitor::screenSaverService, LogindInhibitor::screenSaverPath,
            LogindInhibitor::screenSaverInterface, QStringLiteral("UnInhibit"));
        call << *cookie_;
        // Nobody waits for the answer: a screen saver gone meanwhile holds nothing.
        session_.send(call);
    }

private:
    FileDescriptor lock_;  // closing it ends logind's lock
    std::optional<uint> cookie_;
    QDBusConnection session_;
};

std::vector<Inhibitor> decodeInhibitors(const QDBusArgument& argument)
{
    std::vector<Inhibitor> out;
    argument.beginArray();
    while (!argument.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0;
        uint pid = 0;
        argument.beginStructure();
        argument >> what >> who >> why >> mode >> uid >> pid;
        argument.endStructure();
        out.push_back({what.toStdString(), who.toStdString(), why.toStdString(), mode.toStdString(), uid,
                       static_cast<std::int32_t>(pid)});
    }
    argument.endArray();
    return out;
}

}  // namespace

LogindInhibitor::LogindInhibitor(QDBusConnection system, QDBusConnection session, int replyTimeoutMs)
    : system_(std::move(system)), session_(std::move(session)), replyTimeoutMs_(replyTimeoutMs)
{
}

Result<std::unique_ptr<PowerHold>> LogindInhibitor::hold(AssertionKind kind, const std::string& why)
{
    QDBusMessage call = QDBusMessage::createMethodCall(loginService, loginPath, managerInterface,
                                                       QStringLiteral("Inhibit"));
    call << QString::fromLatin1(what) << QString::fromLatin1(who) << QString::fromStdString(why)
         << QString::fromLatin1(mode);
    QDBusMessage reply = system_.call(call, QDBus::Block, replyTimeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return fail(busError("Inhibit", reply));
    auto descriptor = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (!descriptor.isValid())
        return fail(Error::make(Error::Code::Malformed, "Inhibit", "the answer holds no file descriptor"));
    // The message's copy closes with it; ours lasts as long as the hold.
    FileDescriptor lock(::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0));
    if (!lock.valid())
        return fail(Error::fromErrno("dup", "inhibitor lock"));

    std::optional<uint> cookie;
    if (kind == AssertionKind::display) {
        QDBusMessage ask = QDBusMessage::createMethodCall(screenSaverService, screenSaverPath, screenSaverInterface,
                                                          QStringLiteral("Inhibit"));
        ask << QString::fromLatin1(who) << QString::fromStdString(why);
        QDBusMessage answer = session_.call(ask, QDBus::Block, replyTimeoutMs_);
        if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty())
            cookie = answer.arguments().value(0).toUInt();
        else
            logger.info("the screen may still blank: {}", busError("ScreenSaver.Inhibit", answer).message());
    }
    return std::unique_ptr<PowerHold>(std::make_unique<LogindHold>(std::move(lock), cookie, session_));
}

void LogindInhibitor::listInhibitors(std::function<void(Inhibitors)> done)
{
    QDBusMessage call = QDBusMessage::createMethodCall(loginService, loginPath, managerInterface,
                                                       QStringLiteral("ListInhibitors"));
    auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(call, replyTimeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                QDBusMessage reply = finished->reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    done(fail(busError("ListInhibitors", reply)));
                    return;
                }
                if (reply.signature() != QStringLiteral("a(ssssuu)")) {
                    done(fail(Error::make(Error::Code::Malformed, "ListInhibitors",
                                          "signature " + reply.signature().toStdString())));
                    return;
                }
                done(decodeInhibitors(reply.arguments().value(0).value<QDBusArgument>()));
            });
}

void LogindInhibitor::onSleep(std::function<void(bool goingToSleep)> handler)
{
    sleepHandler_ = std::move(handler);
    if (!system_.connect(loginService, loginPath, managerInterface, QStringLiteral("PrepareForSleep"), this,
                         SLOT(prepareForSleep(bool))))
        logger.warning("sleep and wake go unnoticed: {}", system_.lastError().message().toStdString());
}

void LogindInhibitor::onLock(std::function<void(bool locked)> handler)
{
    lockHandler_ = std::move(handler);
    if (auto path = sessionPath()) {
        system_.connect(loginService, *path, sessionInterface, QStringLiteral("Lock"), this, SLOT(sessionLocked()));
        system_.connect(loginService, *path, sessionInterface, QStringLiteral("Unlock"), this,
                        SLOT(sessionUnlocked()));
    }
    session_.connect(screenSaverService, screenSaverPath, screenSaverInterface, QStringLiteral("ActiveChanged"), this,
                     SLOT(screenSaverActiveChanged(bool)));
}

std::optional<QString> LogindInhibitor::sessionPath()
{
    QDBusMessage call;
    if (const char* id = std::getenv("XDG_SESSION_ID"); id != nullptr && *id != '\0') {
        call = QDBusMessage::createMethodCall(loginService, loginPath, managerInterface, QStringLiteral("GetSession"));
        call << QString::fromLocal8Bit(id);
    } else {
        call = QDBusMessage::createMethodCall(loginService, loginPath, managerInterface,
                                              QStringLiteral("GetSessionByPID"));
        call << static_cast<uint>(::getpid());
    }
    QDBusMessage reply = system_.call(call, QDBus::Block, replyTimeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        logger.info("no login session to follow locks on: {}", busError("GetSession", reply).message());
        return std::nullopt;
    }
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

void LogindInhibitor::prepareForSleep(bool start)
{
    if (sleepHandler_)
        sleepHandler_(start);
}

void LogindInhibitor::sessionLocked() { screenSaverActiveChanged(true); }

void LogindInhibitor::sessionUnlocked() { screenSaverActiveChanged(false); }

void LogindInhibitor::screenSaverActiveChanged(bool active)
{
    if (locked_ == active || !lockHandler_)
        return;
    locked_ = active;
    lockHandler_(active);
}

}  // namespace corvane::platform
