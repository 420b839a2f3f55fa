// Against a notification service served on a private bus.

#include <chrono>
#include <mutex>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QVariantMap>

#include "core/base/Log.h"
#include "core/notch/KnownPaths.h"
#include "platform/linux/FreedesktopNotifier.h"
#include "tests/platform/PrivateBus.h"

using namespace corvane;
using namespace corvane::platform;
using corvane::testing::FakeObject;
using corvane::testing::PrivateBus;
using corvane::testing::waitUntil;

namespace {

struct RecordingSink final : LogSink {
    void write(LogLevel level, std::string_view category, std::string_view message) override
    {
        std::lock_guard lock(mutex);
        if (level >= LogLevel::Warning)
            warnings.push_back(std::string(category) + ": " + std::string(message));
    }
    std::size_t count()
    {
        std::lock_guard lock(mutex);
        return warnings.size();
    }
    std::mutex mutex;
    std::vector<std::string> warnings;
};

// Captures the log for the duration of a test.
struct CapturedLog {
    CapturedLog() { setLogSink(sink); }
    ~CapturedLog() { setLogSink(nullptr); }
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
};

struct Notify {
    QString appName;
    uint replacesId = 0;
    QString title;
    QString body;
    QVariantMap hints;
    int expireTimeout = 0;
};

Notify decode(const QDBusMessage& call)
{
    auto arguments = call.arguments();
    Notify out;
    out.appName = arguments.value(0).toString();
    out.replacesId = arguments.value(1).toUInt();
    out.title = arguments.value(3).toString();
    out.body = arguments.value(4).toString();
    qvariant_cast<QDBusArgument>(arguments.value(6)) >> out.hints;
    out.expireTimeout = arguments.value(7).toInt();
    return out;
}

double secondsOf(const std::function<void()>& action)
{
    auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(FreedesktopNotifier, posts_title_body_app_name_and_urgency_to_the_notification_service)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.failure().toStdString();
    uint nextId = 1;
    FakeObject server([&](const QDBusMessage& call) -> std::optional<QDBusMessage> {
        return call.createReply(QVariant::fromValue(nextId++));
    });
    ASSERT_TRUE(bus.serve(FreedesktopNotifier::service, FreedesktopNotifier::path, server));

    CapturedLog log;
    FreedesktopNotifier notifier(bus.connect());
    notifier.post({"Claude needs you", "Approve the edit of main.cpp?", true});
    notifier.post({"Server started", "vite on :5173", false});
    ASSERT_TRUE(waitUntil([&] { return server.calls.size() == 2; }));

    for (const auto& call : server.calls) {
        EXPECT_EQ(call.interface(), FreedesktopNotifier::interface);
        EXPECT_EQ(call.member(), "Notify");
        EXPECT_EQ(call.signature(), "susssasa{sv}i");
    }
    Notify urgent = decode(server.calls[0]);
    EXPECT_EQ(urgent.appName, "Lunebox");
    EXPECT_EQ(urgent.replacesId, 0u);
    EXPECT_EQ(urgent.title, "Claude needs you");
    EXPECT_EQ(urgent.body, "Approve the edit of main.cpp?");
    EXPECT_EQ(urgent.hints.value("urgency").userType(), QMetaType::UChar);
    EXPECT_EQ(urgent.hints.value("urgency").toInt(), 2);
    EXPECT_EQ(urgent.hints.value("desktop-entry").toString().toStdString(), KnownPaths::compiledApplicationID());
    EXPECT_EQ(urgent.expireTimeout, -1);

    Notify normal = decode(server.calls[1]);
    EXPECT_EQ(normal.title, "Server started");
    EXPECT_EQ(normal.body, "vite on :5173");
    EXPECT_EQ(normal.hints.value("urgency").toInt(), 1);

    // The replies were taken without complaint.
    QCoreApplication::processEvents();
    EXPECT_EQ(log.sink->count(), 0u);
}

TEST(FreedesktopNotifier, a_missing_or_silent_notification_server_costs_the_caller_nothing_and_is_logged)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.failure().toStdString();
    CapturedLog log;

    FreedesktopNotifier nobodyListening(bus.connect());
    EXPECT_LT(secondsOf([&] { nobodyListening.post({"Build finished", "", false}); }), 0.5);
    ASSERT_TRUE(waitUntil([&] { return log.sink->count() == 1; }));
    EXPECT_NE(log.sink->warnings[0].find("ServiceUnknown"), std::string::npos) << log.sink->warnings[0];
    EXPECT_EQ(log.sink->warnings[0].rfind("notifications: ", 0), 0u);

    FakeObject silent([](const QDBusMessage&) { return std::nullopt; });
    ASSERT_TRUE(bus.serve(FreedesktopNotifier::service, FreedesktopNotifier::path, silent));
    FreedesktopNotifier hungServer(bus.connect(), 300);
    EXPECT_LT(secondsOf([&] { hungServer.post({"Tests failed", "3 failures", true}); }), 0.25);
    ASSERT_TRUE(waitUntil([&] { return log.sink->count() == 2; }));
    EXPECT_NE(log.sink->warnings[1].find("NoReply"), std::string::npos) << log.sink->warnings[1];
    EXPECT_EQ(silent.calls.size(), 1u);
}
