// The logind client against a login manager and a screen saver the test
// serves on two private buses, one standing for the system bus and one for
// the session bus. The login manager answers Inhibit with the write end of
// a pipe, so the test sees the lock end the moment the client's copy closes.

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QThread>

#include "core/base/FileDescriptor.h"
#include "platform/linux/LogindInhibitor.h"
#include "tests/platform/PrivateBus.h"

using namespace corvane;
using namespace corvane::platform;
using corvane::testing::FakeObject;
using corvane::testing::PrivateBus;
using corvane::testing::waitUntil;

namespace {

struct InhibitorRow {
    QString what, who, why, mode;
    uint uid = 0;
    uint pid = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const InhibitorRow& row)
{
    argument.beginStructure();
    argument << row.what << row.who << row.why << row.mode << row.uid << row.pid;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, InhibitorRow& row)
{
    argument.beginStructure();
    argument >> row.what >> row.who >> row.why >> row.mode >> row.uid >> row.pid;
    argument.endStructure();
    return argument;
}

}  // namespace

Q_DECLARE_METATYPE(InhibitorRow)

namespace {

const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");

// True once every write end of the pipe is closed.
bool hungUp(int readEnd)
{
    pollfd check{readEnd, POLLIN, 0};
    return ::poll(&check, 1, 0) == 1 && (check.revents & POLLHUP) != 0;
}

// A fake service whose object lives on a thread of its own: the client's
// blocking calls come from the main thread, which could not answer them.
class Service {
public:
    using Handler = FakeObject::Handler;

    Service(PrivateBus& bus, const char* name, const char* path, Handler handler)
        : name_(QString::fromLatin1(name)), path_(QString::fromLatin1(path)), connection(bus.connect()),
          object_([this, handler = std::move(handler)](const QDBusMessage& call) {
              std::lock_guard lock(mutex_);
              received_.push_back(call);
              return handler(call);
          })
    {
        thread_.start();
        object_.moveToThread(&thread_);
        served = connection.registerVirtualObject(path_, &object_) && connection.registerService(name_);
    }

    ~Service()
    {
        connection.unregisterService(name_);
        connection.unregisterObject(path_);
        thread_.quit();
        thread_.wait();
    }

    std::vector<QDBusMessage> calls() const
    {
        std::lock_guard lock(mutex_);
        return received_;
    }

    void send(const QString& path, const char* interface, const char* member, const QVariantList& arguments = {})
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, QString::fromLatin1(interface), QString::fromLatin1(member));
        signal.setArguments(arguments);
        connection.send(signal);
    }

private:
    QThread thread_;
    QString name_;
    QString path_;

public:
    QDBusConnection connection;
    bool served = false;

private:
    mutable std::mutex mutex_;
    std::vector<QDBusMessage> received_;
    FakeObject object_;
};

// The login manager: one pipe per granted lock, rows for ListInhibitors,
// and the session object this process belongs to.
struct FakeLogin {
    explicit FakeLogin(PrivateBus& bus)
    {
        qDBusRegisterMetaType<InhibitorRow>();
        qDBusRegisterMetaType<QList<InhibitorRow>>();
        service = std::make_unique<Service>(bus, LogindInhibitor::loginService, LogindInhibitor::loginPath,
                                            [this](const QDBusMessage& call) { return answer(call); });
    }

    std::optional<QDBusMessage> answer(const QDBusMessage& call)
    {
        if (refuse)
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                         QStringLiteral("Permission denied"));
        if (call.member() == "Inhibit") {
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0)
                return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"), QStringLiteral("pipe"));
            {
                std::lock_guard lock(mutex);
                locks.emplace_back(ends[0]);
            }
            QDBusUnixFileDescriptor writer(ends[1]);  // a copy travels in the answer
            ::close(ends[1]);
            return call.createReply(QVariant::fromValue(writer));
        }
        if (call.member() == "ListInhibitors")
            return call.createReply(QVariant::fromValue(rows));
        if (call.member() == "GetSession" || call.member() == "GetSessionByPID")
            return call.createReply(QVariant::fromValue(QDBusObjectPath(sessionPath)));
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), call.member());
    }

    // The read end of the n-th lock granted, or -1.
    int lock(std::size_t index)
    {
        std::lock_guard guard(mutex);
        return index < locks.size() ? locks[index].get() : -1;
    }

    std::atomic<bool> refuse = false;
    QList<InhibitorRow> rows;  // set before the first call
    std::mutex mutex;
    std::vector<FileDescriptor> locks;
    std::unique_ptr<Service> service;  // last: its thread stops before the rest goes
};

Service::Handler screenSaverAnswers()
{
    return [](const QDBusMessage& call) -> std::optional<QDBusMessage> {
        if (call.member() == "Inhibit")
            return call.createReply(QVariant::fromValue(42u));
        return call.createReply();
    };
}

struct Buses {
    PrivateBus system;
    PrivateBus session;
    bool running() const { return system.isRunning() && session.isRunning(); }
};

}  // namespace

TEST(LogindInhibitor, a_hold_is_a_sleep_and_idle_block_lock_on_the_system_bus_from_the_environment_and_closing_ends_it)
{
    Buses buses;
    ASSERT_TRUE(buses.running()) << buses.system.failure().toStdString();
    FakeLogin login(buses.system);
    Service screenSaver(buses.session, LogindInhibitor::screenSaverService, LogindInhibitor::screenSaverPath,
                        screenSaverAnswers());
    ASSERT_TRUE(login.service->served && screenSaver.served);
    // The only test that goes through Qt's default connections, which read
    // the addresses once per process.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", buses.system.address().toUtf8().constData(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", buses.session.address().toUtf8().constData(), 1);
    LogindInhibitor inhibitor;

    auto hold = inhibitor.hold(AssertionKind::system, "Lunebox Keep Awake");
    ASSERT_TRUE(hold) << hold.error().message();
    auto calls = login.service->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].interface(), LogindInhibitor::managerInterface);
    EXPECT_EQ(calls[0].member(), "Inhibit");
    EXPECT_EQ(calls[0].arguments(), (QVariantList{"sleep:idle", "Lunebox", "Lunebox Keep Awake", "block"}));
    // The display may sleep under a system hold: the screen saver is left alone.
    EXPECT_TRUE(screenSaver.calls().empty());

    int lock = login.lock(0);
    ASSERT_GE(lock, 0);
    waitUntil([] { return false; }, 100);
    EXPECT_FALSE(hungUp(lock)) << "the lock ended while held";
    hold->reset();
    EXPECT_TRUE(waitUntil([&] { return hungUp(lock); })) << "the lock outlived its hold";
}

TEST(LogindInhibitor, a_display_hold_also_inhibits_the_screen_saver_and_gives_its_cookie_back_when_released)
{
    Buses buses;
    ASSERT_TRUE(buses.running());
    FakeLogin login(buses.system);
    Service screenSaver(buses.session, LogindInhibitor::screenSaverService, LogindInhibitor::screenSaverPath,
                        screenSaverAnswers());
    LogindInhibitor inhibitor(buses.system.connect(), buses.session.connect());

    auto hold = inhibitor.hold(AssertionKind::display, "Lunebox Keep Awake");
    ASSERT_TRUE(hold) << hold.error().message();
    auto calls = screenSaver.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].member(), "Inhibit");
    EXPECT_EQ(calls[0].arguments(), (QVariantList{"Lunebox", "Lunebox Keep Awake"}));

    hold->reset();
    ASSERT_TRUE(waitUntil([&] { return screenSaver.calls().size() == 2; }));
    calls = screenSaver.calls();
    EXPECT_EQ(calls[1].member(), "UnInhibit");
    EXPECT_EQ(calls[1].arguments().value(0).toUInt(), 42u);
    EXPECT_TRUE(waitUntil([&] { return hungUp(login.lock(0)); }));
}

TEST(LogindInhibitor, a_refused_or_missing_login_manager_is_an_error_and_a_missing_screen_saver_is_not)
{
    Buses buses;
    ASSERT_TRUE(buses.running());
    LogindInhibitor inhibitor(buses.system.connect(), buses.session.connect());

    auto nobody = inhibitor.hold(AssertionKind::system, "Lunebox Keep Awake");
    ASSERT_FALSE(nobody);
    EXPECT_NE(nobody.error().message().find("ServiceUnknown"), std::string::npos) << nobody.error().message();

    FakeLogin login(buses.system);
    login.refuse = true;
    auto refused = inhibitor.hold(AssertionKind::display, "Lunebox Keep Awake");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message().find("AccessDenied"), std::string::npos) << refused.error().message();

    // Without a screen saver the display hold still holds logind's lock.
    login.refuse = false;
    auto lockOnly = inhibitor.hold(AssertionKind::display, "Lunebox Keep Awake");
    ASSERT_TRUE(lockOnly) << lockOnly.error().message();
    ASSERT_GE(login.lock(0), 0);
    EXPECT_FALSE(hungUp(login.lock(0)));
}

TEST(LogindInhibitor, list_inhibitors_reads_every_row_and_refuses_an_answer_of_another_shape)
{
    Buses buses;
    ASSERT_TRUE(buses.running());
    FakeLogin login(buses.system);
    login.rows = {{"sleep", "GNOME Shell", "Playing video", "block", 1000, 4242},
                  {"shutdown:sleep", "NetworkManager", "NetworkManager needs to turn off networks", "delay", 0, 812}};
    LogindInhibitor inhibitor(buses.system.connect(), buses.session.connect());

    std::optional<PowerInhibitor::Inhibitors> listed;
    inhibitor.listInhibitors([&](PowerInhibitor::Inhibitors result) { listed = std::move(result); });
    ASSERT_TRUE(waitUntil([&] { return listed.has_value(); }));
    ASSERT_TRUE(*listed) << listed->error().message();
    ASSERT_EQ((*listed)->size(), 2u);
    EXPECT_EQ((**listed)[0], (Inhibitor{"sleep", "GNOME Shell", "Playing video", "block", 1000, 4242}));
    EXPECT_EQ((**listed)[1].mode, "delay");
    EXPECT_EQ((**listed)[1].pid, 812);

    // A manager that answers something else is not read as an empty list.
    PrivateBus other;
    ASSERT_TRUE(other.isRunning());
    Service odd(other, LogindInhibitor::loginService, LogindInhibitor::loginPath,
                [](const QDBusMessage& call) -> std::optional<QDBusMessage> {
                    return call.createReply(QVariant::fromValue(QStringLiteral("nothing")));
                });
    LogindInhibitor confused(other.connect(), buses.session.connect());
    std::optional<PowerInhibitor::Inhibitors> wrong;
    confused.listInhibitors([&](PowerInhibitor::Inhibitors result) { wrong = std::move(result); });
    ASSERT_TRUE(waitUntil([&] { return wrong.has_value(); }));
    EXPECT_FALSE(*wrong);
}

TEST(LogindInhibitor, sleep_wake_lock_and_unlock_reach_their_handlers_and_each_lock_counts_once)
{
    Buses buses;
    ASSERT_TRUE(buses.running());
    FakeLogin login(buses.system);
    Service screenSaver(buses.session, LogindInhibitor::screenSaverService, LogindInhibitor::screenSaverPath,
                        screenSaverAnswers());
    LogindInhibitor inhibitor(buses.system.connect(), buses.session.connect());
    std::vector<bool> sleeps;
    std::vector<bool> locks;
    inhibitor.onSleep([&](bool goingToSleep) { sleeps.push_back(goingToSleep); });
    inhibitor.onLock([&](bool locked) { locks.push_back(locked); });
    Service& manager = *login.service;

    manager.send(LogindInhibitor::loginPath, LogindInhibitor::managerInterface, "PrepareForSleep", {true});
    manager.send(LogindInhibitor::loginPath, LogindInhibitor::managerInterface, "PrepareForSleep", {false});
    ASSERT_TRUE(waitUntil([&] { return sleeps.size() == 2; }));
    EXPECT_EQ(sleeps, (std::vector<bool>{true, false}));

    // Another session's lock is not ours; the screen saver going active
    // after the session locked is the same lock.
    manager.send(QStringLiteral("/org/freedesktop/login1/session/c9"), LogindInhibitor::sessionInterface, "Lock");
    waitUntil([] { return false; }, 200);
    EXPECT_TRUE(locks.empty());
    manager.send(sessionPath, LogindInhibitor::sessionInterface, "Lock");
    ASSERT_TRUE(waitUntil([&] { return !locks.empty(); }));
    screenSaver.send(LogindInhibitor::screenSaverPath, LogindInhibitor::screenSaverInterface, "ActiveChanged", {true});
    waitUntil([] { return false; }, 200);
    manager.send(sessionPath, LogindInhibitor::sessionInterface, "Unlock");
    ASSERT_TRUE(waitUntil([&] { return locks.size() >= 2; }));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(locks, (std::vector<bool>{true, false}));
}
