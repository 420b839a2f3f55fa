#include "platform/fake/RecordingNotifier.h"

namespace corvane::platform {

void RecordingNotifier::post(const DesktopNotification& notification) { posted.push_back(notification); }

}  // namespace corvane::platform
