#pragma once
// Key combinations that reach us whichever window has the keyboard: each
// registered under a name, replaced by registering the name again.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace corvane::platform {

// A key with its modifiers, written in the desktop portal's trigger
// syntax: modifiers "CTRL", "ALT", "SHIFT" and "LOGO" (the Super key)
// joined to the key's name by "+", as in "LOGO+ALT+a".
struct KeyCombination {
    enum Modifier : std::uint8_t { shift = 1, ctrl = 2, alt = 4, logo = 8 };

    std::uint8_t modifiers = 0;
    std::uint32_t keysym = 0;  // the X keysym; letters in lower case

    // Letters, digits, "F1" to "F35", "space", "Return", "Escape", "Tab",
    // "BackSpace", "Delete", "Insert", "Home", "End", "Page_Up",
    // "Page_Down" and the arrows ("Left", ...); modifiers in any case, each
    // at most once. None for anything else, or without a key.
    static std::optional<KeyCombination> parse(std::string_view trigger);
    // As shown to the user: "Alt+Super+A".
    std::string text() const;

    bool operator==(const KeyCombination&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeyCombination& combination);

class GlobalHotkeys {
public:
    enum class Grab {
        grabbed,
        taken,      // another program holds the combination
        noKey,      // the keyboard has no key for it
        noServer,   // nothing to grab keys from
    };

    GlobalHotkeys() = default;
    virtual ~GlobalHotkeys() = default;
    GlobalHotkeys(const GlobalHotkeys&) = delete;
    GlobalHotkeys& operator=(const GlobalHotkeys&) = delete;

    // Lets go of what `name` held, then grabs `combination`; `pressed`
    // runs on the main thread on each press.
    virtual Grab add(const std::string& name, const KeyCombination& combination, std::function<void()> pressed) = 0;
    virtual void remove(const std::string& name) = 0;
};

}  // namespace corvane::platform
