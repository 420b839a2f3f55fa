#pragma once
// The laptop's lid: whether it is closed now, and the changes the login
// manager announces by itself. A machine without a lid reads as open.

#include <functional>
#include <optional>

namespace corvane::platform {

class LidSwitch {
public:
    LidSwitch() = default;
    virtual ~LidSwitch() = default;
    LidSwitch(const LidSwitch&) = delete;
    LidSwitch& operator=(const LidSwitch&) = delete;

    // Asks for the lid's state; `done` runs on the main thread, with none
    // when the login manager did not answer.
    virtual void read(std::function<void(std::optional<bool> closed)> done) = 0;
    // Called on the main thread for each change announced without asking.
    virtual void onChange(std::function<void(bool closed)> handler) = 0;
};

}  // namespace corvane::platform
