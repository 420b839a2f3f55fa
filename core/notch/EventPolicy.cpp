#include "core/notch/EventPolicy.h"

#include <ostream>

#include <fmt/format.h>

namespace corvane {

namespace {

struct Describe {
    std::string operator()(const EventDecision::Drop& drop) const
    {
        return drop.reason == DropReason::disabled ? "drop(disabled)" : "drop(privateContent)";
    }
    std::string operator()(const EventDecision::Coalesce& coalesce) const
    {
        return fmt::format("coalesce(count: {})", coalesce.count);
    }
    std::string operator()(const EventDecision::Show& show) const
    {
        return fmt::format("show(style: {}, duration: {})", rawValue(show.style), show.duration);
    }
    std::string operator()(const EventDecision::RecordOnly&) const { return "recordOnly"; }
};

// Whether the copy-toast setting keeps this copy event off screen.
bool copyModeDrops(const AppEvent& event, CopyToastMode mode)
{
    switch (mode) {
    case CopyToastMode::actionable:
        return event.kind == "clipboard.copied" || event.isPlainCopy;
    case CopyToastMode::off:
        return true;
    case CopyToastMode::all:
        return false;
    }
    return false;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const EventDecision& decision)
{
    return out << std::visit(Describe{}, decision.value);
}

std::string EventState::slot(std::string_view kind, std::string_view key)
{
    std::string out;
    out.reserve(kind.size() + 1 + key.size());
    out.append(kind).append("|").append(key);
    return out;
}

void EventState::didShow(const AppEvent& event)
{
    visible = Visible{event.kind, event.coalesceKey, 1};
    lastShown.insert_or_assign(slot(event.kind, event.coalesceKey), event.date);
}

int EventState::didCoalesce(const AppEvent& event)
{
    if (!visible)
        return 1;
    if (visible->kind != event.kind || visible->key != event.coalesceKey)
        return visible->count;
    lastShown.insert_or_assign(slot(event.kind, event.coalesceKey), event.date);
    return ++visible->count;
}

namespace EventPolicy {

bool isCopyKind(std::string_view kind) { return kind == "clipboard.copied" || kind == "toolbox.detect"; }

EventDecision decide(const AppEvent& event, const EventState& state, const EventSettings& settings, WallTime now)
{
    if (event.isPrivate)
        return EventDecision::drop(DropReason::privateContent);
    if (!settings.enabled)
        return EventDecision::drop(DropReason::disabled);
    if (isCopyKind(event.kind) && !event.ignoresCopyMode && copyModeDrops(event, settings.copyMode))
        return EventDecision::drop(DropReason::disabled);
    if (settings.quietOn && settings.quietSilences && !settings.timeSensitive)
        return EventDecision::recordOnly();

    std::optional<WallTime> last;
    if (auto found = state.lastShown.find(EventState::slot(event.kind, event.coalesceKey)); found != state.lastShown.end())
        last = found->second;
    bool sameAsVisible = state.visible && state.visible->kind == event.kind && state.visible->key == event.coalesceKey;
    if (sameAsVisible && settings.coalesceWindow > 0 && last && now.secondsSince(*last) < settings.coalesceWindow)
        return EventDecision::coalesce(state.visible->count + 1);
    if (!settings.timeSensitive && settings.rateLimit > 0 && last && now.secondsSince(*last) < settings.rateLimit)
        return EventDecision::recordOnly();
    return EventDecision::show(settings.style, settings.duration);
}

}  // namespace EventPolicy

}  // namespace corvane
