#pragma once
// The words the session list shows for steps: what runs now, what the
// agent waits for the user to approve, and what it did.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/agents/AgentStep.h"

namespace corvane {

struct StepTitle {
    // One line of the recent-steps list: a run of steps of one kind.
    struct Line {
        AgentStepKind kind = AgentStepKind::tool;
        std::string text;
        std::size_t count = 1;  // steps merged into the line
        bool failed = false;    // some step of the run failed
        WallTime at = WallTime::fromUnixSeconds(0);  // the run's newest step
        bool operator==(const Line&) const = default;
    };

    static std::string live(const AgentStep& step);
    static std::string done(const AgentStep& step);
    // Without a step the agent waits for a reply.
    static std::string waitingFor(const std::optional<AgentStep>& step);
    // Newest first, at most `limit` lines; a run of one kind is one line,
    // with the number of files for edits, writes and reads of several files.
    static std::vector<Line> recent(const std::vector<AgentStep>& steps, std::size_t limit);
};

}  // namespace corvane
