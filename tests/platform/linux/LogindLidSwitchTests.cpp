// The lid through the fake logind on a private dbus-daemon: the property
// read on request, and the changes a manager announces.

#include <optional>

#include <gtest/gtest.h>

#include <QDBusConnection>

#include "platform/linux/LogindLidSwitch.h"
#include "tests/closedlid/FakeLogind.h"
#include "tests/platform/PrivateBus.h"

using corvane::platform::LogindLidSwitch;
using corvane::testing::FakeLogind;
using corvane::testing::waitUntil;

namespace {

struct LidOnBus {
    ~LidOnBus() { QDBusConnection::disconnectFromBus(name); }

    // What one read answers; none when it never answered.
    std::optional<std::optional<bool>> read()
    {
        std::optional<std::optional<bool>> answer;
        lid->read([&](std::optional<bool> closed) { answer = closed; });
        waitUntil([&] { return answer.has_value(); });
        return answer;
    }

    bool application = (corvane::testing::ensureApplication(), true);
    FakeLogind logind;
    QString name = QStringLiteral("lid-system-bus");
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(logind.address()), name);
    std::optional<LogindLidSwitch> lid{std::in_place, bus, 2'000};
};

}  // namespace

TEST(LogindLidSwitch, reads_the_managers_lid_closed_property_each_time_it_is_asked)
{
    LidOnBus h;
    ASSERT_FALSE(h.logind.address().empty()) << "dbus-daemon did not start";
    EXPECT_EQ(h.read(), std::optional(std::optional(false)));
    // Unannounced, as logind changes it: only a new read sees it.
    h.logind.setLidClosed(true, false);
    EXPECT_EQ(h.read(), std::optional(std::optional(true)));
}

TEST(LogindLidSwitch, follows_announced_changes_and_reads_unknown_without_a_login_manager)
{
    LidOnBus h;
    ASSERT_FALSE(h.logind.address().empty()) << "dbus-daemon did not start";
    std::vector<bool> heard;
    h.lid->onChange([&](bool closed) { heard.push_back(closed); });
    h.logind.setLidClosed(true, true);
    EXPECT_TRUE(waitUntil([&] { return heard.size() == 1; }));
    h.logind.setLidClosed(false, true);
    EXPECT_TRUE(waitUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));

    // A bus without logind on it: the answer is an error, read as unknown.
    corvane::testing::PrivateBus empty;
    ASSERT_TRUE(empty.isRunning()) << empty.failure().toStdString();
    LogindLidSwitch nobody(empty.connect(), 2'000);
    std::optional<std::optional<bool>> answer;
    nobody.read([&](std::optional<bool> closed) { answer = closed; });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, std::nullopt);
}
