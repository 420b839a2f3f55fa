#pragma once
// The one road every alert takes: build the event, ask the notch's event
// centre, remember it in the history, show it as an ear or a card, and
// deliver it outside (notification, phone, sound) as the kind's switches
// say. Main thread only.

#include <optional>
#include <string_view>

#include "core/base/Log.h"
#include "core/base/Time.h"
#include "core/notch/AlertDelivery.h"
#include "core/notch/AlertPost.h"
#include "core/notch/AlertPresenter.h"
#include "core/notch/AwayForwarder.h"
#include "core/notch/EventCenter.h"
#include "core/notch/EventPolicy.h"
#include "core/notch/NotchSoundRules.h"
#include "core/notch/SoundPlayer.h"

namespace corvane {

class AlertCenter;
class SettingsStore;

class AlertPipeline {
public:
    struct Outlets {
        AlertPresenter& presenter;
        AlertDelivery& delivery;
        SoundPlayer& sounds;
    };

    AlertPipeline(SettingsStore& settings, AlertCenter& alerts, EventCenter& events, Outlets outlets, const Clock& clock);

    // Not owned; null switches the step off. They must outlive the pipeline
    // or be reset to null first.
    void setPhoneDelivery(PhoneDelivery* phone) { phone_ = phone; }
    void setAwayForwarder(AwayForwarder* away) { away_ = away; }
    // A call in progress keeps sounds off.
    void setInCall(bool inCall) { inCall_ = inCall; }

    // Runs one alert of `moduleID` through every step; returns the decision.
    EventDecision post(std::string_view moduleID, const AlertPost& post);

private:
    void show(const AppEvent& event, const AlertPost& post, const EventCenter::Decided& decided);
    void deliverExternal(const AppEvent& event, const AlertPost& post, const EventCenter::Decided& decided, bool muted);

    SettingsStore& settings_;
    AlertCenter& alerts_;
    EventCenter& events_;
    Outlets outlets_;
    const Clock& clock_;
    PhoneDelivery* phone_ = nullptr;
    AwayForwarder* away_ = nullptr;
    bool inCall_ = false;
    NotchSoundRules::Limiter soundLimiter_;
    Logger log_{"events"};
};

}  // namespace corvane
