#include "platform/linux/MprisPlaybackReader.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

#include "core/base/Log.h"
#include "platform/DesktopAppID.h"

namespace corvane::platform {

namespace {

const Logger logger("media");

constexpr const char* busService = "org.freedesktop.DBus";
constexpr const char* busPath = "/org/freedesktop/DBus";
constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";
const QString playbackStatus = QStringLiteral("PlaybackStatus");
const QString desktopEntry = QStringLiteral("DesktopEntry");

bool isPlayerName(const QString& name) { return name.startsWith(QLatin1String(MprisPlaybackReader::namePrefix)); }

// Players write their own desktop entry: only a valid id names an application.
PlayingApp appOf(const QVariant& value)
{
    std::string id = value.toString().toStdString();
    if (id.ends_with(".desktop"))
        id.resize(id.size() - 8);
    return DesktopAppID::isValid(id) ? PlayingApp(std::move(id)) : std::nullopt;
}

}  // namespace

MprisPlaybackReader::MprisPlaybackReader(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus))
{
    if (!bus_.isConnected()) {
        logger.info("no session bus: no media player is heard");
        return;
    }
    // Subscribed before asking, so no change falls between an answer and its signal.
    bus_.connect(QLatin1String(busService), QLatin1String(busPath), QLatin1String(busService),
                 QStringLiteral("NameOwnerChanged"), this, SLOT(nameOwnerChanged(QString,QString,QString)));
    bus_.connect(QString(), QLatin1String(objectPath), QLatin1String(propertiesInterface),
                 QStringLiteral("PropertiesChanged"), this, SLOT(propertiesChanged(QDBusMessage)));
    listPlayers();
}

void MprisPlaybackReader::listPlayers()
{
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(busService), QLatin1String(busPath),
                                                       QLatin1String(busService), QStringLiteral("ListNames"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        QDBusPendingReply<QStringList> reply = *finished;
        if (reply.isError()) {
            logger.warning("media players not listed: {}", reply.error().message().toStdString());
            return;
        }
        for (const QString& name : reply.value()) {
            if (isPlayerName(name) && !players_.contains(name)) {
                players_[name];
                ask(name, playbackStatus);
                ask(name, desktopEntry);
            }
        }
    });
}

void MprisPlaybackReader::ask(const QString& name, const QString& property)
{
    QDBusMessage call = QDBusMessage::createMethodCall(name, QLatin1String(objectPath),
                                                       QLatin1String(propertiesInterface), QStringLiteral("Get"));
    call << QString::fromLatin1(property == playbackStatus ? playerInterface : rootInterface) << property;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, name, property](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        QDBusMessage reply = finished->reply();
        auto found = players_.find(name);
        if (found == players_.end() || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        Player& player = found->second;
        // The answer says who owns the name; an answer from a former owner is stale.
        if (player.owner.isEmpty())
            player.owner = reply.service();
        if (player.owner != reply.service())
            return;
        apply(player, property, reply.arguments().constFirst());
        publishPlaying();
    });
}

void MprisPlaybackReader::apply(Player& player, const QString& property, const QVariant& wrapped)
{
    QVariant value = wrapped.userType() == qMetaTypeId<QDBusVariant>() ? wrapped.value<QDBusVariant>().variant() : wrapped;
    if (property == playbackStatus)
        player.playing = value.toString() == QLatin1String("Playing");
    else if (property == desktopEntry)
        player.app = appOf(value);
}

void MprisPlaybackReader::nameOwnerChanged(const QString& name, const QString&, const QString& newOwner)
{
    if (!isPlayerName(name))
        return;
    if (newOwner.isEmpty()) {
        players_.erase(name);
        publishPlaying();
        return;
    }
    players_[name] = Player{.owner = newOwner};
    ask(name, playbackStatus);
    ask(name, desktopEntry);
    publishPlaying();
}

void MprisPlaybackReader::propertiesChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 3)
        return;
    QString interface = arguments.at(0).toString();
    auto changed = qdbus_cast<QVariantMap>(arguments.at(1));
    auto invalidated = qdbus_cast<QStringList>(arguments.at(2));
    for (auto& [name, player] : players_) {
        if (player.owner != message.service())
            continue;
        for (const QString& property : {playbackStatus, desktopEntry}) {
            bool ofInterface = interface == QLatin1String(property == playbackStatus ? playerInterface : rootInterface);
            if (!ofInterface)
                continue;
            if (changed.contains(property))
                apply(player, property, changed.value(property));
            else if (invalidated.contains(property))
                ask(name, property);
        }
    }
    publishPlaying();
}

void MprisPlaybackReader::publishPlaying()
{
    std::vector<PlayingApp> playing;
    for (const auto& [name, player] : players_) {
        if (player.playing)
            playing.push_back(player.app);
    }
    publish(std::move(playing));
}

}  // namespace corvane::platform
