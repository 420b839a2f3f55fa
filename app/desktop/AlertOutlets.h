#pragma once
// Where the event pipeline's decided alerts go in the desktop app, besides
// the notch's own cards and ears (CardPresenter). System notifications go to
// the desktop's notification service. The alert sounds are not played yet:
// until they are, what would have sounded is written to the log, so the
// decisions can still be followed.

#include "core/notch/AlertDelivery.h"
#include "core/notch/SoundPlayer.h"
#include "platform/DesktopNotifier.h"

namespace corvane::app {

class NotifierDelivery final : public AlertDelivery {
public:
    explicit NotifierDelivery(platform::DesktopNotifier& notifier) : notifier_(notifier) {}
    void postNotification(const ExternalAlert& alert) override;

private:
    platform::DesktopNotifier& notifier_;
};

class LoggedSoundPlayer final : public SoundPlayer {
public:
    void play(NotchSound sound, double volume) override;
};

}  // namespace corvane::app
