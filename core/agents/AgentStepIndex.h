#pragma once
// The latest steps of each session, folded from the events the extractor
// reads out of its transcripts: calls still running, the last finished
// ones, and how full the model's context is. Memory only.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/agents/AgentStep.h"
#include "core/agents/AgentStepExtractor.h"
#include "core/base/Time.h"

namespace corvane {

struct SessionSteps {
    static constexpr std::size_t cap = 10;
    // Calls whose result never came (an interrupted turn) are not kept for ever.
    static constexpr std::size_t pendingCap = 16;

    std::vector<AgentStep> steps;    // finished, newest last
    std::vector<AgentStep> pending;  // calls without a result yet, oldest first
    std::optional<std::int64_t> contextTokens;
    std::optional<std::int64_t> contextWindow;
    std::optional<std::string> model;
    WallTime updated = WallTime::fromUnixSeconds(0);

    // The newest step, running or finished.
    std::optional<AgentStep> last() const;
    // The call the agent waits on: the newest one still running.
    std::optional<AgentStep> waitingOn() const;
    std::optional<double> contextPercent() const;

    bool operator==(const SessionSteps&) const = default;
};

class AgentStepIndex {
public:
    // Sessions kept; the least recently updated goes first.
    static constexpr std::size_t sessionCap = 200;

    void apply(const std::string& session, const std::vector<AgentStepEvent>& events);
    void remove(const std::string& session);

    const SessionSteps* steps(const std::string& session) const;
    // Session ids, least recently updated first.
    const std::vector<std::string>& order() const { return order_; }

private:
    std::map<std::string, SessionSteps> sessions_;
    std::vector<std::string> order_;
};

}  // namespace corvane
