#pragma once
// Where decided alerts appear in the notch. The desktop implements it with
// its ear and card views; the core only says what to show and for how long.

#include <optional>
#include <string>

#include "core/base/Time.h"
#include "core/notch/AlertCardPlan.h"
#include "core/notch/AlertPost.h"
#include "core/notch/AlertRecord.h"
#include "core/notch/AlertStyles.h"

namespace corvane {

struct PresentedAlert {
    EventStyle surface = EventStyle::card;  // an ear beside the notch or a card under it
    std::string kind;
    std::string moduleID;
    std::string coalesceKey;
    std::string title;
    std::string body;
    WallTime date;
    double duration = 6.0;  // seconds on screen, counted again from each repeat
    int count = 1;          // shown as "×N" from 2 on
    std::optional<AlertCardPlan> card;
    std::optional<EarPayload> ear;
    std::optional<AlertRecord::Action> action;

    bool operator==(const PresentedAlert&) const = default;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // A new alert replaces whatever alert is visible.
    virtual void present(const PresentedAlert& alert) = 0;
    // A repeat of the visible alert: show its count and restart its time.
    virtual void update(const PresentedAlert& alert) = 0;
};

}  // namespace corvane
