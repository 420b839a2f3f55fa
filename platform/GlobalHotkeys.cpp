#include "platform/GlobalHotkeys.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace corvane::platform {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint32_t keysym;
};

// The X keysyms of the named keys a shortcut may use.
constexpr std::array namedKeys{
    NamedKey{"space", 0x20},      NamedKey{"Return", 0xff0d},    NamedKey{"Escape", 0xff1b},
    NamedKey{"Tab", 0xff09},      NamedKey{"BackSpace", 0xff08}, NamedKey{"Delete", 0xffff},
    NamedKey{"Insert", 0xff63},   NamedKey{"Home", 0xff50},      NamedKey{"End", 0xff57},
    NamedKey{"Page_Up", 0xff55},  NamedKey{"Page_Down", 0xff56}, NamedKey{"Left", 0xff51},
    NamedKey{"Up", 0xff52},       NamedKey{"Right", 0xff53},     NamedKey{"Down", 0xff54},
};
constexpr std::uint32_t firstFunctionKey = 0xffbe;  // F1
constexpr int functionKeys = 35;

constexpr std::array modifierNames{
    std::pair{std::string_view("SHIFT"), KeyCombination::shift},
    std::pair{std::string_view("CTRL"), KeyCombination::ctrl},
    std::pair{std::string_view("ALT"), KeyCombination::alt},
    std::pair{std::string_view("LOGO"), KeyCombination::logo},
};

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::uint32_t> keysymOf(std::string_view name)
{
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::uint32_t(std::tolower(static_cast<unsigned char>(name[0])));
    for (const NamedKey& key : namedKeys) {
        if (key.name == name)
            return key.keysym;
    }
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        int number = 0;
        for (char c : name.substr(1)) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return std::nullopt;
            number = number * 10 + (c - '0');
        }
        if (number >= 1 && number <= functionKeys && name[1] != '0')
            return firstFunctionKey + std::uint32_t(number - 1);
    }
    return std::nullopt;
}

std::string keyName(std::uint32_t keysym)
{
    if (keysym < 0x80)
        return keysym == 0x20 ? "Space" : std::string(1, char(std::toupper(int(keysym))));
    if (keysym >= firstFunctionKey && keysym < firstFunctionKey + functionKeys)
        return "F" + std::to_string(keysym - firstFunctionKey + 1);
    for (const NamedKey& key : namedKeys) {
        if (key.keysym == keysym)
            return std::string(key.name);
    }
    return "?";
}

}  // namespace

std::optional<KeyCombination> KeyCombination::parse(std::string_view trigger)
{
    KeyCombination out;
    for (;;) {
        std::size_t plus = trigger.find('+');
        if (plus == std::string_view::npos)
            break;
        std::string part = upper(trigger.substr(0, plus));
        auto found = std::find_if(modifierNames.begin(), modifierNames.end(),
                                  [&](const auto& named) { return named.first == part; });
        if (found == modifierNames.end() || (out.modifiers & found->second) != 0)
            return std::nullopt;
        out.modifiers |= found->second;
        trigger.remove_prefix(plus + 1);
    }
    auto keysym = keysymOf(trigger);
    if (!keysym)
        return std::nullopt;
    out.keysym = *keysym;
    return out;
}

std::string KeyCombination::text() const
{
    std::string out;
    for (auto [modifier, name] : {std::pair{ctrl, "Ctrl+"}, std::pair{alt, "Alt+"}, std::pair{logo, "Super+"},
                                  std::pair{shift, "Shift+"}}) {
        if ((modifiers & modifier) != 0)
            out += name;
    }
    return out + keyName(keysym);
}

std::ostream& operator<<(std::ostream& out, const KeyCombination& combination)
{
    return out << combination.text();
}

}  // namespace corvane::platform
