#pragma once
// System notifications: the desktop's own pop-ups, outside the notch.

#include <ostream>
#include <string>

namespace corvane::platform {

struct DesktopNotification {
    std::string title;
    std::string body;
    // Shown even when the desktop holds back ordinary notifications.
    bool timeSensitive = false;

    bool operator==(const DesktopNotification&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const DesktopNotification& notification)
{
    return out << "{" << notification.title << " | " << notification.body
               << (notification.timeSensitive ? " | time-sensitive}" : "}");
}

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Never blocks the caller; a failure is logged, not returned, because
    // nothing the caller could do would bring the notification back.
    virtual void post(const DesktopNotification& notification) = 0;
};

}  // namespace corvane::platform
