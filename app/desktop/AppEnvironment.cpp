#include "app/desktop/AppEnvironment.h"

#include <QFile>

#include "core/base/Files.h"
#include "core/base/Log.h"
#include "core/notch/EventSettings.h"
#include "platform/linux/JournalLogSink.h"

namespace corvane::app {

namespace {

const Logger logger("app");

}  // namespace

AppEnvironment::AppEnvironment(const KnownPaths& paths, QObject* parent)
    : QObject(parent),
      paths_(paths),
      journal_(paths.isHarness()),
      defaults_(paths.settingsFile(), clock_, Calendar::local()),
      settings_(defaults_),
      artwork_(ArtworkCache::folderOf(paths)),
      alerts_({.dataFolder = paths.appSupport()}, scheduler_, clock_, Calendar::local(),
              [this](std::string_view kind) { return isTimeSensitive(kind); }),
      cards_(scheduler_, clock_, ears_, [this](std::string_view kind) { return isTimeSensitive(kind); }),
      pipeline_(settings_, alerts_, events_, {cards_, delivery_, sounds_}, clock_),
      quiet_(settings_, scheduler_, clock_)
{
    if (int removed = settings_.removeRetired(); removed > 0)
        logger.info("removed {} retired settings", removed);
    watchSettingsFile();
    alerts_.setActionHandler(&actions_);
    alerts_.load();
}

AppEnvironment::~AppEnvironment() { shutdown(); }

bool AppEnvironment::isTimeSensitive(std::string_view kind)
{
    return eventSettings(settings_, kind, std::nullopt).timeSensitive;
}

AppEnvironment::JournalInstallation::JournalInstallation(bool harness)
{
    if (!harness)
        setLogSink(std::make_shared<platform::JournalLogSink>());
}

AppEnvironment::JournalInstallation::~JournalInstallation() { setLogSink(nullptr); }

void AppEnvironment::watchSettingsFile()
{
    // Other processes replace the file by renaming a new one over it, which
    // ends a watch on the file itself: the folder's watch sees the rename,
    // and the file is watched again each time it is back.
    auto file = QString::fromStdString(defaults_.path().string());
    auto folder = QString::fromStdString(defaults_.path().parent_path().string());
    if (auto created = createDirectories(defaults_.path().parent_path()); !created)
        logger.warning("settings changes of other processes go unseen: {}", created.error().message());
    auto reload = [this, file] {
        settings_.reloadIfChanged();
        if (!settingsWatcher_.files().contains(file) && QFile::exists(file))
            settingsWatcher_.addPath(file);
    };
    connect(&settingsWatcher_, &QFileSystemWatcher::fileChanged, this, reload);
    connect(&settingsWatcher_, &QFileSystemWatcher::directoryChanged, this, reload);
    settingsWatcher_.addPath(folder);
    if (QFile::exists(file))
        settingsWatcher_.addPath(file);
}

void AppEnvironment::shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    if (auto flushed = alerts_.flush(); !flushed)
        logger.error("alert history not saved: {}", flushed.error().message());
    children_.terminateAll();
}

}  // namespace corvane::app
