#pragma once
// An active window for tests: the test says what is in front.

#include "platform/ActiveWindow.h"

namespace corvane::platform {

class FakeActiveWindow final : public ActiveWindow {
public:
    void set(ActiveWindowState state) { publish(std::move(state)); }
};

}  // namespace corvane::platform
