#pragma once
// Global shortcuts for tests: remembers what is registered, refuses the
// combinations the test marks as taken, and presses them on request.

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/GlobalHotkeys.h"

namespace corvane::platform {

class FakeGlobalHotkeys final : public GlobalHotkeys {
public:
    Grab add(const std::string& name, const KeyCombination& combination, std::function<void()> pressed) override
    {
        remove(name);
        for (const KeyCombination& other : taken) {
            if (other == combination)
                return Grab::taken;
        }
        held_[name] = {combination, std::move(pressed)};
        return Grab::grabbed;
    }
    void remove(const std::string& name) override { held_.erase(name); }

    // The combination `name` holds; none when it holds nothing.
    std::optional<KeyCombination> registered(const std::string& name) const
    {
        auto found = held_.find(name);
        return found == held_.end() ? std::nullopt : std::optional(found->second.first);
    }
    // True when something held `combination`.
    bool press(const KeyCombination& combination)
    {
        std::vector<std::function<void()>> hit;
        for (const auto& [name, held] : held_) {
            if (held.first == combination)
                hit.push_back(held.second);
        }
        for (const auto& pressed : hit)
            pressed();
        return !hit.empty();
    }

    std::vector<KeyCombination> taken;

private:
    std::map<std::string, std::pair<KeyCombination, std::function<void()>>> held_;
};

}  // namespace corvane::platform
