#pragma once
// Delivery of an alert outside the notch: the desktop's notification
// service, and the hand-off to the user's phone.

#include <optional>
#include <string>

#include "core/base/Time.h"
#include "core/notch/AlertRecord.h"

namespace corvane {

struct ExternalAlert {
    std::string kind;
    std::string moduleID;
    std::string title;
    std::string body;
    WallTime date;
    bool timeSensitive = false;  // may break through the desktop's do-not-disturb
    std::optional<AlertRecord::Action> action;

    bool operator==(const ExternalAlert&) const = default;
};

class AlertDelivery {
public:
    virtual ~AlertDelivery() = default;
    virtual void postNotification(const ExternalAlert& alert) = 0;
};

// Sends chosen alerts to the user's phone; absent until phone delivery is set up.
class PhoneDelivery {
public:
    virtual ~PhoneDelivery() = default;
    virtual void handOff(const ExternalAlert& alert) = 0;
};

}  // namespace corvane
