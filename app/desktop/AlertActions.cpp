#include "app/desktop/AlertActions.h"

#include "core/base/Log.h"
#include "core/calendar/MeetingLink.h"

namespace corvane::app {

namespace {

const Logger logger("alerts");

using platform::OpenTarget;
using Action = AlertRecord::Action;

Failure refused(std::string_view what) { return fail(Error::make(Error::Code::Invalid, "alert action", std::string(what))); }

Failure unavailable(InboxAction action)
{
    return fail(Error::make(Error::Code::Unavailable, "alert action", "nothing here can " + std::string(title(action))));
}

template <typename Case>
const Case* payload(const AlertRecord& record)
{
    return record.action ? record.action->as<Case>() : nullptr;
}

}  // namespace

AlertActions::AlertActions(platform::Opener& opener, InboundEar::ExecutableCheck isExecutable)
    : opener_(opener), isExecutable_(std::move(isExecutable))
{
}

void AlertActions::setHandler(InboxAction action, ModuleHandler handler)
{
    handlers_.insert_or_assign(action, std::move(handler));
}

bool AlertActions::canPerform(InboxAction action, const AlertRecord& record) const
{
    Step step;
    return resolve(action, record, step).ok();
}

void AlertActions::perform(InboxAction action, const AlertRecord& record)
{
    if (auto done = run(action, record); !done)
        logger.warning("{} did nothing: {}", title(action), done.error().message());
}

Result<void> AlertActions::run(InboxAction action, const AlertRecord& record)
{
    Step step;
    if (auto resolved = resolve(action, record, step); !resolved)
        return resolved;
    return carryOut(step, record);
}

std::optional<std::pair<InboxAction, AlertRecord>> AlertActions::cardRequest(const PresentedAlert& alert, WallTime now)
{
    AlertRecord record{.kind = alert.kind,
                       .moduleID = alert.moduleID,
                       .title = alert.title,
                       .text = alert.body,
                       .date = alert.date,
                       .action = alert.action};
    if (!alert.card) {
        // Completing a reminder takes two presses in the inbox, never a card's one.
        auto action = InboxActions::primary(record, now, false);
        return action ? std::optional(std::pair{*action, std::move(record)}) : std::nullopt;
    }
    using Primary = AlertCardPlan::Primary;
    const Primary& primary = alert.card->primary;
    if (const auto* url = primary.as<Primary::OpenURL>()) {
        record.action = Action::openURL(url->url);
        return std::pair{InboxAction::openInBrowser, std::move(record)};
    }
    if (const auto* join = primary.as<Primary::Join>()) {
        record.action = Action::join(join->link);
        return std::pair{InboxAction::join, std::move(record)};
    }
    if (const auto* open = primary.as<Primary::Open>()) {
        record.action = Action::open(open->target);
        return std::pair{InboxAction::open, std::move(record)};
    }
    return std::pair{InboxAction::openTerminal, std::move(record)};
}

std::optional<InboxAction> AlertActions::cardAction(const PresentedAlert& alert, WallTime now) const
{
    auto request = cardRequest(alert, now);
    if (!request || !canPerform(request->first, request->second))
        return std::nullopt;
    return request->first;
}

Result<void> AlertActions::runCard(const PresentedAlert& alert, WallTime now)
{
    auto request = cardRequest(alert, now);
    if (!request)
        return fail(Error::make(Error::Code::Unavailable, "alert action", "the card has no action"));
    return run(request->first, request->second);
}

Result<void> AlertActions::openFile(std::string_view path)
{
    auto target = OpenTarget::file(path, isExecutable_);
    if (!target)
        return refused("the file does not open safely");
    return opener_.open(*target);
}

std::optional<PanelPage> AlertActions::showablePage(std::string_view id) const
{
    auto page = pageFor(id);
    if (!page || !panel_.canShow || !panel_.canShow(*page))
        return std::nullopt;
    return page;
}

Result<void> AlertActions::openStep(std::string_view target, Step& step) const
{
    if ((step.page = showablePage(target)))
        return {};
    if ((step.open = OpenTarget::webAddress(target)))
        return {};
    if ((step.open = OpenTarget::file(target, isExecutable_)))
        return {};
    return refused("nothing that opens safely");
}

Result<void> AlertActions::resolve(InboxAction action, const AlertRecord& record, Step& step) const
{
    // A module's own handler wins: it knows its records best.
    if (auto handler = handlers_.find(action); handler != handlers_.end()) {
        step.handler = &handler->second;
        return {};
    }
    switch (action) {
    case InboxAction::join:
        if (const auto* join = payload<Action::Join>(record)) {
            auto link = MeetingLink::validate(join->link.url);
            if (!link || !(step.open = OpenTarget::webAddress(link->url)))
                return refused("the meeting link does not validate");
            return {};
        }
        return refused("no meeting link");
    case InboxAction::openInBrowser:
        if (const auto* url = payload<Action::OpenURL>(record)) {
            if ((step.open = OpenTarget::webAddress(url->url)))
                return {};
            return refused("not an http(s) address");
        }
        return refused("no address");
    case InboxAction::open:
        if (const auto* open = payload<Action::Open>(record))
            return openStep(open->target, step);
        return refused("no target");
    case InboxAction::showInFinder:
        if (const auto* reveal = payload<Action::Reveal>(record)) {
            for (const auto& path : reveal->paths) {
                if (step.reveal.size() == maxRevealed)
                    break;
                if (auto shown = OpenTarget::revealable(path))
                    step.reveal.push_back(std::move(*shown));
            }
            if (step.reveal.empty())
                return refused("none of the files is there");
            return {};
        }
        return refused("no files");
    case InboxAction::details:
        // The module's own page in the panel, when it has one.
        if ((step.page = showablePage(record.moduleID)))
            return {};
        return unavailable(action);
    case InboxAction::complete:  // through the alert centre's reminder handler
    case InboxAction::viewLogs:
    case InboxAction::restart:
    case InboxAction::cleanUp:
    case InboxAction::openTerminal:
    case InboxAction::allowFinder:
        return unavailable(action);
    }
    return unavailable(action);
}

Result<void> AlertActions::carryOut(const Step& step, const AlertRecord& record)
{
    if (step.open)
        return opener_.open(*step.open);
    if (!step.reveal.empty()) {
        opener_.reveal(step.reveal);
        return {};
    }
    if (step.page) {
        panel_.show(*step.page);
        return {};
    }
    return (*step.handler)(record);
}

}  // namespace corvane::app
