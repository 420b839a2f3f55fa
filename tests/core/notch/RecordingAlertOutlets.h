#pragma once
// Recording stand-ins for where alerts go out: the notch presenter, the
// notification service and phone hand-off, and the sound player. Each keeps
// what it was asked to do, in order.

#include <utility>
#include <vector>

#include "core/notch/AlertDelivery.h"
#include "core/notch/AlertPresenter.h"
#include "core/notch/AwayForwarder.h"
#include "core/notch/SoundPlayer.h"

namespace corvane::testing {

class RecordingPresenter final : public AlertPresenter {
public:
    void present(const PresentedAlert& alert) override { presented.push_back(alert); }
    void update(const PresentedAlert& alert) override { updated.push_back(alert); }

    std::vector<PresentedAlert> presented;
    std::vector<PresentedAlert> updated;
};

class RecordingDelivery final : public AlertDelivery, public PhoneDelivery {
public:
    void postNotification(const ExternalAlert& alert) override { notifications.push_back(alert); }
    void handOff(const ExternalAlert& alert) override { phone.push_back(alert); }

    std::vector<ExternalAlert> notifications;
    std::vector<ExternalAlert> phone;
};

class RecordingSoundPlayer final : public SoundPlayer {
public:
    void play(NotchSound sound, double volume) override { played.emplace_back(sound, volume); }

    std::vector<std::pair<NotchSound, double>> played;
};

class RecordingAwayForwarder final : public AwayForwarder {
public:
    void observe(const AlertRecord& alert, std::string_view coalesceKey) override
    {
        seen.emplace_back(alert.kind, std::string(coalesceKey));
    }

    std::vector<std::pair<std::string, std::string>> seen;
};

}  // namespace corvane::testing
