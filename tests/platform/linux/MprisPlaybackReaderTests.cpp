// The MPRIS reader against a private dbus-daemon, with media players that
// the test serves itself: each owns an "org.mpris.MediaPlayer2.*" name,
// answers Properties.Get and announces changes with PropertiesChanged.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

#include "platform/linux/MprisPlaybackReader.h"
#include "tests/platform/PrivateBus.h"

using corvane::platform::MprisPlaybackReader;
using corvane::platform::PlayingApp;
using corvane::testing::FakeObject;
using corvane::testing::PrivateBus;
using corvane::testing::waitUntil;

namespace {

class FakePlayer {
public:
    FakePlayer(PrivateBus& bus, QString name, QString status, QString desktopEntry = {})
        : name_(std::move(name)), status_(std::move(status)), desktopEntry_(std::move(desktopEntry)),
          connection_(bus.connect())
    {
        connection_.registerVirtualObject(QLatin1String(MprisPlaybackReader::objectPath), &object_);
        connection_.registerService(name_);
    }
    ~FakePlayer()
    {
        leave();
        connection_.unregisterObject(QLatin1String(MprisPlaybackReader::objectPath));
    }

    void setStatus(const QString& status)
    {
        status_ = status;
        announce(QLatin1String(MprisPlaybackReader::playerInterface), {{QStringLiteral("PlaybackStatus"), status}});
    }

    void leave() { connection_.unregisterService(name_); }

private:
    void announce(const QString& interface, const QVariantMap& changed)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(MprisPlaybackReader::objectPath),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << interface << changed << QStringList();
        connection_.send(signal);
    }

    std::optional<QDBusMessage> answer(const QDBusMessage& call)
    {
        if (call.member() == QLatin1String("Get") && call.arguments().size() == 2) {
            QString property = call.arguments().at(1).toString();
            if (property == QLatin1String("PlaybackStatus"))
                return call.createReply(QVariant::fromValue(QDBusVariant(status_)));
            if (property == QLatin1String("DesktopEntry") && !desktopEntry_.isEmpty())
                return call.createReply(QVariant::fromValue(QDBusVariant(desktopEntry_)));
        }
        return call.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such property"));
    }

    QString name_;
    QString status_;
    QString desktopEntry_;
    FakeObject object_{[this](const QDBusMessage& call) { return answer(call); }};
    QDBusConnection connection_;
};

using Playing = std::vector<PlayingApp>;

class MprisOnPrivateBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus_.isRunning()) << bus_.failure().toStdString(); }

    std::unique_ptr<MprisPlaybackReader> reader()
    {
        auto reader = std::make_unique<MprisPlaybackReader>(bus_.connect());
        reader->setChangeHandler([this] { ++changes_; });
        return reader;
    }

    PrivateBus bus_;
    int changes_ = 0;
};

}  // namespace

TEST_F(MprisOnPrivateBus, a_player_that_plays_names_its_application_and_pausing_ends_it)
{
    FakePlayer vlc(bus_, QStringLiteral("org.mpris.MediaPlayer2.vlc"), QStringLiteral("Playing"), QStringLiteral("vlc"));
    FakePlayer idle(bus_, QStringLiteral("org.mpris.MediaPlayer2.spotify"), QStringLiteral("Stopped"),
                    QStringLiteral("spotify"));
    auto playback = reader();
    ASSERT_TRUE(waitUntil([&] { return playback->playing() == Playing{"vlc"}; }));

    vlc.setStatus(QStringLiteral("Paused"));
    ASSERT_TRUE(waitUntil([&] { return !playback->isPlaying(); }));
    int afterPause = changes_;
    vlc.setStatus(QStringLiteral("Playing"));
    ASSERT_TRUE(waitUntil([&] { return playback->playing() == Playing{"vlc"}; }));
    EXPECT_EQ(changes_, afterPause + 1);
}

TEST_F(MprisOnPrivateBus, players_that_arrive_later_or_leave_are_followed)
{
    auto playback = reader();
    FakePlayer browser(bus_, QStringLiteral("org.mpris.MediaPlayer2.firefox.instance_1_23"), QStringLiteral("Playing"),
                       QStringLiteral("firefox.desktop"));
    ASSERT_TRUE(waitUntil([&] { return playback->playing() == Playing{"firefox"}; }));

    // A player that does not say which application it is still plays.
    FakePlayer anonymous(bus_, QStringLiteral("org.mpris.MediaPlayer2.anonymous"), QStringLiteral("Playing"));
    ASSERT_TRUE(waitUntil([&] { return playback->playing().size() == 2; }));
    EXPECT_EQ(playback->playing(), (Playing{std::nullopt, "firefox"})) << "ordered by bus name";

    browser.leave();
    ASSERT_TRUE(waitUntil([&] { return playback->playing() == Playing{std::nullopt}; }));
}

TEST_F(MprisOnPrivateBus, a_desktop_entry_that_is_no_application_id_names_nothing)
{
    FakePlayer odd(bus_, QStringLiteral("org.mpris.MediaPlayer2.odd"), QStringLiteral("Playing"),
                   QStringLiteral("../../bin/sh"));
    auto playback = reader();
    ASSERT_TRUE(waitUntil([&] { return playback->isPlaying(); }));
    // Both answers have to arrive before the entry is known to be refused.
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(playback->playing(), Playing{std::nullopt});
}

TEST(MprisPlaybackReader, without_a_bus_nothing_plays)
{
    corvane::testing::ensureApplication();
    MprisPlaybackReader playback(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                               QStringLiteral("lunebox-test-no-bus")));
    EXPECT_FALSE(playback.isPlaying());
    QDBusConnection::disconnectFromBus(QStringLiteral("lunebox-test-no-bus"));
}
