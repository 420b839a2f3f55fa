#pragma once
// What plays, from the MPRIS media players on the session bus: every name
// under "org.mpris.MediaPlayer2." is a player; it plays while its
// PlaybackStatus is "Playing", and its DesktopEntry names its application.
// Players are followed through NameOwnerChanged and their
// PropertiesChanged signals; nothing polls. Without a bus nothing plays.

#include <map>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include "platform/PlaybackReader.h"

namespace corvane::platform {

class MprisPlaybackReader final : public QObject, public PlaybackReader {
    Q_OBJECT
public:
    static constexpr const char* namePrefix = "org.mpris.MediaPlayer2.";
    static constexpr const char* objectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* rootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char* playerInterface = "org.mpris.MediaPlayer2.Player";

    // Tests hand in a connection to a private bus.
    explicit MprisPlaybackReader(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

private slots:
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void propertiesChanged(const QDBusMessage& message);

private:
    struct Player {
        QString owner{};  // unique name; empty until the first answer tells it
        bool playing = false;
        PlayingApp app{};
    };

    void listPlayers();
    // Asks a player for both properties; answers from an owner that has
    // since left are dropped.
    void ask(const QString& name, const QString& property);
    void apply(Player& player, const QString& property, const QVariant& value);
    void publishPlaying();

    QDBusConnection bus_;
    std::map<QString, Player> players_;  // by bus name
};

}  // namespace corvane::platform
