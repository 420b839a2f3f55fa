#pragma once
// Where the event pipeline's decided alerts go in the desktop app. System
// notifications go to the desktop's notification service. The notch's own
// cards and ears and the alert sounds are not drawn or played yet: until
// they are, what would have shown or sounded is written to the log, so the
// decisions can still be followed.

#include "core/notch/AlertDelivery.h"
#include "core/notch/AlertPresenter.h"
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

class LoggedPresenter final : public AlertPresenter {
public:
    void present(const PresentedAlert& alert) override;
    void update(const PresentedAlert& alert) override;
};

class LoggedSoundPlayer final : public SoundPlayer {
public:
    void play(NotchSound sound, double volume) override;
};

}  // namespace corvane::app
