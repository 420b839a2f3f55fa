#pragma once
// The one primary button of an inbox row.

#include <optional>
#include <string_view>

#include "core/base/Time.h"
#include "core/notch/AlertRecord.h"

namespace corvane {

enum class InboxAction {
    join, complete, viewLogs, restart, showInFinder, cleanUp, openInBrowser, open, openTerminal, details, allowFinder,
};

// "Join", "Complete", "View logs", "Restart", "Show in Finder", "Clean up…",
// "Open in browser", "Open", "Open Terminal", "Details", "Allow…"
std::string_view title(InboxAction action);

namespace InboxActions {

// A reminder can be completed from the inbox for one day after its alert.
inline constexpr double reminderWindow = 86400;

// Nothing when the record's action cannot be offered any more: a meeting
// link that no longer validates, or a reminder that cannot be completed
// here or is older than the window.
std::optional<InboxAction> primary(const AlertRecord& record, WallTime now, bool canComplete);

}  // namespace InboxActions

}  // namespace corvane
