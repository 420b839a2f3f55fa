#include "core/notch/InboxAction.h"

#include "core/notch/InboxPlan.h"

namespace corvane {

std::string_view title(InboxAction action)
{
    switch (action) {
    case InboxAction::join: return "Join";
    case InboxAction::complete: return "Complete";
    case InboxAction::viewLogs: return "View logs";
    case InboxAction::restart: return "Restart";
    case InboxAction::showInFinder: return "Show in Finder";
    case InboxAction::cleanUp: return "Clean up\u2026";
    case InboxAction::openInBrowser: return "Open in browser";
    case InboxAction::open: return "Open";
    case InboxAction::openTerminal: return "Open Terminal";
    case InboxAction::details: return "Details";
    case InboxAction::allowFinder: return "Allow\u2026";
    }
    return {};
}

namespace InboxActions {

std::optional<InboxAction> primary(const AlertRecord& record, WallTime now, bool canComplete)
{
    if (record.kind == "ai.stuck")
        return InboxAction::openTerminal;
    if (record.kind == "ai.finished")
        return InboxAction::details;
    if (record.kind == "keepAwake.awaySummary")
        return InboxKinds::isWaitingForInput(record) ? InboxAction::openTerminal : InboxAction::details;
    if (record.kind == "shelf.needsFinder")
        return InboxAction::allowFinder;
    if (!record.action)
        return InboxAction::details;

    using A = AlertRecord::Action;
    struct Visitor {
        const AlertRecord& record;
        WallTime now;
        bool canComplete;

        std::optional<InboxAction> operator()(const A::Join& c) const
        {
            return MeetingLink::validate(c.link.url) ? std::optional(InboxAction::join) : std::nullopt;
        }
        std::optional<InboxAction> operator()(const A::CompleteReminder&) const
        {
            bool fresh = now.secondsSince(record.date) < reminderWindow;
            return canComplete && fresh ? std::optional(InboxAction::complete) : std::nullopt;
        }
        std::optional<InboxAction> operator()(const A::SnoozeReminder&) const { return std::nullopt; }
        std::optional<InboxAction> operator()(const A::ContainerLogs&) const { return InboxAction::viewLogs; }
        std::optional<InboxAction> operator()(const A::RestartTimer&) const { return InboxAction::restart; }
        std::optional<InboxAction> operator()(const A::Reveal&) const { return InboxAction::showInFinder; }
        std::optional<InboxAction> operator()(const A::CleanUpApp&) const { return InboxAction::cleanUp; }
        std::optional<InboxAction> operator()(const A::OpenURL&) const { return InboxAction::openInBrowser; }
        std::optional<InboxAction> operator()(const A::Open&) const { return InboxAction::open; }
    };
    return std::visit(Visitor{record, now, canComplete}, record.action->value);
}

}  // namespace InboxActions

}  // namespace corvane
