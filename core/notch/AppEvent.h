#pragma once
// The event every source raises ("ai.finished", "vitals.lowBattery"), and
// the identity by which a repeat of the same thing is recognised.

#include <optional>
#include <string>
#include <string_view>

#include "core/base/Time.h"

namespace corvane {

struct AppEvent {
    std::string kind;         // dotted kind id
    std::string moduleID;     // the raising module
    std::string coalesceKey;  // from EventKey::derive
    bool isPlainCopy = false;      // clipboard only: ordinary text, nothing to act on
    bool isPrivate = false;        // the content must never be shown
    bool ignoresCopyMode = false;  // clipboard family, shown whatever the copy-toast setting
    WallTime date;                 // when it happened; the decision's "now"

    bool operator==(const AppEvent&) const = default;
};

namespace EventKey {

// The explicit key when given; else the project; else "title|body".
std::string derive(const std::optional<std::string>& explicitKey, const std::optional<std::string>& project,
                   const std::optional<std::string>& title, const std::optional<std::string>& body);

}  // namespace EventKey

}  // namespace corvane
