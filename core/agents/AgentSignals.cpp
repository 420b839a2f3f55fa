#include "core/agents/AgentSignals.h"

#include <cmath>

#include <fmt/format.h>

#include "core/agents/StopHookGate.h"

namespace corvane {

namespace {

using State = AgentTimeline::State;

constexpr std::string_view finishedKind = "ai.finished";
constexpr std::string_view stuckKind = "ai.stuck";
constexpr std::string_view finishedSymbol = "checkmark.circle.fill";
constexpr std::string_view stuckSymbol = "hand.raised.fill";

Brand brandOf(AgentKind agent)
{
    switch (agent) {
    case AgentKind::claudeCode:
        return Brand::claude;
    case AgentKind::codex:
        return Brand::codex;
    case AgentKind::cursor:
        break;
    }
    return Brand::cursor;
}

State stateOf(ClaudeHookEvent::Kind kind)
{
    switch (kind) {
    case ClaudeHookEvent::Kind::needsInput:
        return State::needsYou;
    case ClaudeHookEvent::Kind::stop:
        return State::finished;
    case ClaudeHookEvent::Kind::start:
        break;
    }
    return State::working;
}

AlertPost post(std::string_view kind, AgentKind agent, std::string headline, std::optional<std::string> body,
               const std::string& project, std::string_view symbol, std::string tintHex,
               std::optional<std::string> earText)
{
    AlertCardPlan card;
    card.symbol = std::string(symbol);
    card.brand = brandOf(agent);
    card.tintHex = std::move(tintHex);
    card.eyebrow = project.empty() ? std::string(title(agent)) : project;
    card.headline = headline;
    card.context = body;
    AlertPost alert;
    alert.kind = std::string(kind);
    alert.title = std::move(headline);
    alert.body = std::move(body);
    if (!project.empty())
        alert.project = project;
    alert.card = std::move(card);
    if (earText)
        alert.ear = EarPayload{std::string(symbol), std::move(*earText)};
    return alert;
}

// The state the session is in before a record, if it exists.
std::optional<AgentTimeline::Step> lastStep(const AgentTimeline& timeline, const std::string& id)
{
    const AgentTimeline::Session* session = timeline.find(id);
    return session ? std::optional(session->steps.back()) : std::nullopt;
}

// The record moved the session into `state` (rather than refreshing its fields).
bool entered(const AgentTimeline& timeline, const std::string& id, State state,
             const std::optional<AgentTimeline::Step>& before)
{
    auto after = lastStep(timeline, id);
    return after && after->state == state && (!before || before->state != state);
}

}  // namespace

AgentAlert AgentSignals::finished(AgentKind agent, const std::string& project, std::optional<double> runSeconds)
{
    std::optional<long long> minutes;
    if (runSeconds)
        minutes = static_cast<long long>(std::floor(std::max(0.0, *runSeconds) / 60));
    std::optional<std::string> body;
    if (minutes)
        body = fmt::format("{} · {} min", project, *minutes);
    else if (!project.empty())
        body = project;
    return {post(finishedKind, agent, fmt::format("{} finished", title(agent)), std::move(body), project,
                 finishedSymbol, AlertCardPlan::tint(brandOf(agent), AlertCardPlan::claudeTint),
                 minutes ? std::optional(fmt::format("{}m", *minutes)) : std::nullopt)};
}

AgentAlert AgentSignals::stuck(AgentKind agent, const std::string& project, std::string_view tintHex)
{
    return {post(stuckKind, agent, fmt::format("{} may be waiting for you", title(agent)),
                 project.empty() ? std::nullopt : std::optional(project), project, stuckSymbol, std::string(tintHex),
                 std::nullopt)};
}

AgentSignal AgentSignals::hook(AgentTimeline& timeline, const HookInboxEvent& event)
{
    if (event.agent == AgentKind::codex || event.event.kind == ClaudeHookEvent::Kind::stop)
        hooksSeen_.insert(event.agent);

    std::string agent(title(event.agent));
    std::string project = AgentTimeline::normalize(event.event.project);
    std::string id = event.session ? *event.session : timeline.sessionID(agent, project);
    State state = stateOf(event.event.kind);
    auto before = lastStep(timeline, id);

    AgentSignal signal;
    signal.changed = timeline.record({.id = id, .agent = agent, .project = project, .app = event.app,
                                      .state = state, .at = event.at, .source = AgentTimeline::Source::hook,
                                      .hooksAuthoritative = hooksAuthoritative(event.agent), .tty = event.tty});
    if (!signal.changed || state == State::working || !entered(timeline, id, state, before))
        return signal;

    if (state == State::finished) {
        signal.away = AwayReport{AwayReport::Kind::finished, id, agent, project, event.app, event.at};
        std::optional<WallTime> workingSince;
        if (before && before->state == State::working)
            workingSince = before->at;
        bool announced = event.agent != AgentKind::claudeCode || StopHookGate::shouldAlert(workingSince, event.at);
        if (announced && limiter_.allow(project, event.at)) {
            std::optional<double> run;
            if (workingSince)
                run = event.at.secondsSince(*workingSince);
            signal.alert = finished(event.agent, project, run);
        }
        return signal;
    }
    signal.away = AwayReport{AwayReport::Kind::needsYou, id, agent, project, event.app, event.at};
    if (limiter_.allow(project, event.at))
        signal.alert = stuck(event.agent, project, AlertCardPlan::tint(brandOf(event.agent), AlertCardPlan::claudeTint));
    return signal;
}

AgentSignal AgentSignals::transcript(AgentTimeline& timeline, const TranscriptPhase& change)
{
    State state = State::working;
    switch (change.phase.state) {
    case AgentPhase::Case::idle:
        return {};
    case AgentPhase::Case::working:
        break;
    case AgentPhase::Case::finished:
        state = State::finished;
        break;
    case AgentPhase::Case::stuck:
        state = State::needsYou;
        break;
    }
    std::string agent(title(change.agent));
    std::string project = AgentTimeline::normalize(change.project);
    auto before = lastStep(timeline, change.sessionID);

    AgentSignal signal;
    signal.changed = timeline.record({.id = change.sessionID, .agent = agent, .project = project, .state = state,
                                      .at = change.phase.at, .source = AgentTimeline::Source::transcript,
                                      .hooksAuthoritative = hooksAuthoritative(change.agent),
                                      .branch = change.branch, .path = change.path});
    if (!signal.changed || state == State::working || !entered(timeline, change.sessionID, state, before))
        return signal;

    const AgentTimeline::Session* session = timeline.find(change.sessionID);
    AwayReport::Kind awayKind = state == State::finished ? AwayReport::Kind::finished : AwayReport::Kind::needsYou;
    signal.away = AwayReport{awayKind, change.sessionID, agent, project, session->app, change.phase.at};
    if (state == State::finished)
        signal.alert = finished(change.agent, project, change.phase.duration);
    else
        signal.alert = stuck(change.agent, project, AgentAlert::stuckTint);
    return signal;
}

}  // namespace corvane
