#pragma once
// A notifier for tests: keeps what was posted.

#include <vector>

#include "platform/DesktopNotifier.h"

namespace corvane::platform {

class RecordingNotifier final : public DesktopNotifier {
public:
    void post(const DesktopNotification& notification) override;

    std::vector<DesktopNotification> posted;
};

}  // namespace corvane::platform
