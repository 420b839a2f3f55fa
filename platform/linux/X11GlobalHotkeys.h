#pragma once
// Global shortcuts on X11: passive key grabs on the root window over a
// connection of our own to the X server (DISPLAY).
//
// Linux notes: each combination is grabbed four times, alone and with
// Caps Lock, Num Lock or both, since the server compares the modifier
// state exactly; Num Lock's modifier is read from the server's modifier
// map. A grab another client holds fails with BadAccess, reported as
// `taken`. Keysyms become keycodes through xcb-keysyms; presses arrive as
// events on the connection's socket.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/GlobalHotkeys.h"

class QSocketNotifier;
struct xcb_connection_t;
struct _XCBKeySymbols;

namespace corvane::platform {

class X11GlobalHotkeys final : public GlobalHotkeys {
public:
    // `display` as DISPLAY gives it; null for the environment's own.
    explicit X11GlobalHotkeys(const char* display = nullptr);
    ~X11GlobalHotkeys() override;

    bool isConnected() const { return notifier_ != nullptr; }

    Grab add(const std::string& name, const KeyCombination& combination, std::function<void()> pressed) override;
    void remove(const std::string& name) override;

private:
    struct Held {
        std::uint8_t keycode = 0;
        std::uint16_t modifiers = 0;  // X modifier mask, without the locks
        std::function<void()> pressed;
    };

    bool connect(const char* display);
    void readEvents();
    std::vector<std::uint16_t> lockVariants() const;
    void ungrab(const Held& held);

    xcb_connection_t* connection_ = nullptr;
    _XCBKeySymbols* symbols_ = nullptr;  // xcb_key_symbols_t
    std::unique_ptr<QSocketNotifier> notifier_;
    std::uint32_t root_ = 0;
    std::uint16_t numLock_ = 0;  // the modifier Num Lock sets; 0 when the keyboard has none
    std::map<std::string, Held> held_;
};

}  // namespace corvane::platform
