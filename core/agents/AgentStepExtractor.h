#pragma once
// Reads the steps an agent takes out of its transcript lines: tool calls,
// their results, plain replies and how full the model's context is. Only
// for display, so a line it cannot read yields nothing.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/AgentStep.h"
#include "core/agents/TranscriptLine.h"
#include "core/base/Time.h"

namespace corvane {

struct AgentStepEvent {
    struct Tool {
        AgentStep step;
        bool operator==(const Tool&) const = default;
    };
    struct Results {
        std::vector<std::string> ids;  // the calls the results answer
        bool failed = false;
        bool operator==(const Results&) const = default;
    };
    struct Reply {
        WallTime at = WallTime::fromUnixSeconds(0);
        bool operator==(const Reply&) const = default;
    };
    struct Context {
        std::int64_t tokens = 0;  // what the last call sent
        std::optional<std::int64_t> window;
        std::optional<std::string> model;
        bool operator==(const Context&) const = default;
    };

    std::variant<Tool, Results, Reply, Context> value;

    static AgentStepEvent tool(AgentStep step) { return {Tool{std::move(step)}}; }
    static AgentStepEvent results(std::vector<std::string> ids, bool failed) { return {Results{std::move(ids), failed}}; }
    static AgentStepEvent reply(WallTime at) { return {Reply{at}}; }
    static AgentStepEvent context(std::int64_t tokens, std::optional<std::int64_t> window, std::optional<std::string> model)
    {
        return {Context{tokens, window, std::move(model)}};
    }

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const AgentStepEvent&) const = default;
};

struct AgentStepExtractor {
    // Longer lines are not decoded (a transcript line is never longer than one read).
    static constexpr std::size_t maxLineBytes = maxTranscriptLineBytes;
    static constexpr std::size_t maxSubjectCharacters = 120;

    static std::vector<AgentStepEvent> claude(std::string_view line);
    static std::vector<AgentStepEvent> codex(std::string_view line);
    static std::vector<AgentStepEvent> extract(AgentKind agent, std::string_view line);

    // The events of the complete lines among the transcript's last
    // `windowBytes`, oldest first: enough to show a session's latest steps
    // without reading its whole history.
    static std::vector<AgentStepEvent> tail(const std::filesystem::path& path, AgentKind agent, std::size_t windowBytes);
};

}  // namespace corvane
