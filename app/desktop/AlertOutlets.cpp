#include "app/desktop/AlertOutlets.h"

#include "core/base/Log.h"

namespace corvane::app {

namespace {

const Logger logger("alerts");

}  // namespace

void NotifierDelivery::postNotification(const ExternalAlert& alert)
{
    notifier_.post({.title = alert.title, .body = alert.body, .timeSensitive = alert.timeSensitive});
}

void LoggedSoundPlayer::play(NotchSound sound, double volume)
{
    logger.info("sound {} at volume {:.2f}", rawValue(sound), volume);
}

}  // namespace corvane::app
