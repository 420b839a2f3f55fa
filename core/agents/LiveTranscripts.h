#pragma once
// The transcripts written lately, each with its phase and its latest steps:
// the live watcher's state. The usage index tells which transcripts were
// written (`note`); every tick then costs one `stat` per tracked transcript,
// reads only what a transcript gained since the last tick (for its steps),
// and asks for the agents' processes only when a quiet transcript's phase
// depends on them, at most every `livenessMaxAge` seconds. A transcript
// leaves the set once it is idle and quiet.
//
// Not thread-safe: one owner, the agents module's transcripts queue.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/agents/AgentActivity.h"
#include "core/agents/AgentKind.h"
#include "core/agents/AgentLiveness.h"
#include "core/agents/AgentSignals.h"
#include "core/agents/AgentStepIndex.h"
#include "core/agents/TailState.h"
#include "core/agents/UsageIndexer.h"
#include "core/base/Time.h"

namespace corvane {

// One live session as the session list shows it.
struct SessionLive {
    std::string session;  // the timeline's session id
    AgentKind agent = AgentKind::claudeCode;
    std::optional<std::string> project;
    AgentPhase phase;
    // What it does now ("Editing main.cpp"), waits for ("Approve build")
    // or did last ("Ran tests"); none before its first step.
    std::optional<std::string> step;
    std::optional<double> contextPercent;  // how full the model's context is
    bool operator==(const SessionLive&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SessionLive& live);

class LiveTranscripts {
public:
    // The end of a transcript read for the steps of a session first seen.
    static constexpr std::size_t stepWindowBytes = 256 * 1024;
    static constexpr std::size_t stepReadBytes = 256 * 1024;
    static constexpr double livenessMaxAge = 10;

    struct Windows {
        double workingWindow = AgentActivity::liveWorkingWindow;
        double finishAfter = AgentActivity::liveFinishAfter;
        double stuckAfter = AgentActivity::stuckAfterSeconds(20);
    };
    using Liveness = std::function<LiveAgents()>;

    struct Tick {
        std::vector<TranscriptPhase> changes;  // phases that changed, in path order
        std::vector<SessionLive> sessions;     // one per session, in session order
    };

    LiveTranscripts(Windows windows, Liveness liveness);

    // "ai.stuckMinutes" changed: every transcript, tracked already or
    // later, is judged by the new window.
    void setStuckAfter(double seconds);
    // Transcripts the usage index saw written.
    void note(const std::map<std::filesystem::path, SessionFile>& files);
    Tick tick(WallTime now);

    std::size_t count() const { return tracked_.size(); }

private:
    struct Tracked {
        SessionFile file;
        std::string session;
        AgentActivity activity;
        std::optional<TailState> tail;  // where the steps were read to
    };

    void readSteps(const std::filesystem::path& path, Tracked& tracked, std::uint64_t inode, std::uint64_t size);
    bool alive(const Tracked& tracked, WallTime now);
    SessionLive live(const Tracked& tracked) const;

    Windows windows_;
    Liveness liveness_;
    std::optional<LiveAgents> live_;
    WallTime liveAt_ = WallTime::distantPast();
    std::map<std::filesystem::path, Tracked> tracked_;
    AgentStepIndex steps_;
};

}  // namespace corvane
