#pragma once
// Turns evidence about agent sessions (hook events from the inbox, phase
// changes of transcripts) into timeline records and the alerts and away
// tallies the agents module then posts. Once an agent's hooks have been
// seen (a Claude stop hook, any Codex notification), its transcripts no
// longer decide when it finished or needs the user: the hooks know.
//
// Every hook event updates the timeline; the hook rate limiter holds back
// only the alerts, so a burst of hooks can never leave a session showing a
// state it already left.

#include <optional>
#include <set>
#include <string>

#include "core/agents/AgentActivity.h"
#include "core/agents/AgentKind.h"
#include "core/agents/AgentTimeline.h"
#include "core/agents/ClaudeHookInbox.h"
#include "core/base/Time.h"
#include "core/notch/AlertPost.h"
#include "core/notch/HookRateLimiter.h"

namespace corvane {

// "ai.finished" or "ai.stuck", ready for ModuleContext::post.
struct AgentAlert {
    static constexpr int priority = 70;
    static constexpr std::string_view stuckTint = "#FF9F0A";

    AlertPost post;
};

// A moment the step-away tally counts, keyed by the root session (a
// subagent's transcript counts for its parent's session id).
struct AwayReport {
    enum class Kind { finished, needsYou };
    Kind kind = Kind::finished;
    std::string session;
    std::string agent;
    std::string project;
    std::optional<std::string> app;
    WallTime at = WallTime::fromUnixSeconds(0);
    bool operator==(const AwayReport&) const = default;
};

// What one piece of evidence asks of the module.
struct AgentSignal {
    bool changed = false;  // the timeline changed and wants saving
    std::optional<AgentAlert> alert;
    std::optional<AwayReport> away;

    // Nothing changed and nothing to post.
    bool isQuiet() const { return !changed && !alert && !away; }
};

// A transcript whose phase changed, with what the usage index knows of it.
struct TranscriptPhase {
    std::string sessionID;  // TranscriptCatalog::sessionID of the path
    AgentKind agent = AgentKind::claudeCode;
    std::string project;
    std::optional<std::string> branch;
    std::string path;
    AgentPhase phase;
};

class AgentSignals {
public:
    AgentSignal hook(AgentTimeline& timeline, const HookInboxEvent& event);
    AgentSignal transcript(AgentTimeline& timeline, const TranscriptPhase& change);

    bool hooksAuthoritative(AgentKind agent) const { return hooksSeen_.contains(agent); }

    static AgentAlert finished(AgentKind agent, const std::string& project, std::optional<double> runSeconds);
    static AgentAlert stuck(AgentKind agent, const std::string& project, std::string_view tintHex);

private:
    HookRateLimiter limiter_;
    std::set<AgentKind> hooksSeen_;
};

}  // namespace corvane
