#include "app/desktop/AlertOutlets.h"

#include "core/base/Log.h"

namespace corvane::app {

namespace {

const Logger logger("alerts");

const char* surfaceName(EventStyle surface) { return surface == EventStyle::ear ? "ear" : "card"; }

}  // namespace

void NotifierDelivery::postNotification(const ExternalAlert& alert)
{
    notifier_.post({.title = alert.title, .body = alert.body, .timeSensitive = alert.timeSensitive});
}

void LoggedPresenter::present(const PresentedAlert& alert)
{
    logger.info("{} {} for {:.1f} s", surfaceName(alert.surface), alert.kind, alert.duration);
}

void LoggedPresenter::update(const PresentedAlert& alert)
{
    logger.info("{} {} repeated ×{}", surfaceName(alert.surface), alert.kind, alert.count);
}

void LoggedSoundPlayer::play(NotchSound sound, double volume)
{
    logger.info("sound {} at volume {:.2f}", rawValue(sound), volume);
}

}  // namespace corvane::app
