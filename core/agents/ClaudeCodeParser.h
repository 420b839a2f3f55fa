#pragma once
// Turns one Claude Code transcript line into the model call it bills, if it
// is one: an "assistant" line with a message id, a model and token usage.
// Holds a decoder with reusable buffers: one parser per thread.

#include <memory>
#include <optional>
#include <string_view>

#include "core/agents/ByteSearch.h"
#include "core/agents/TranscriptLine.h"
#include "core/agents/UsageRecord.h"

namespace corvane {

class JsonLineReader;

class ClaudeCodeParser {
public:
    ClaudeCodeParser();
    ~ClaudeCodeParser();
    ClaudeCodeParser(ClaudeCodeParser&&) noexcept;
    ClaudeCodeParser& operator=(ClaudeCodeParser&&) noexcept;

    // `fallbackProject` names the project when the line carries no `cwd`.
    std::optional<UsageRecord> parse(std::string_view line, std::optional<std::string_view> fallbackProject);
    std::optional<UsageRecord> parse(PaddedLine line, std::optional<std::string_view> fallbackProject);

    // The same into a record whose strings keep their storage from call to
    // call; false, leaving the record in no particular state, when the line
    // bills nothing.
    bool parseInto(PaddedLine line, std::optional<std::string_view> fallbackProject, Screening screening,
                   UsageRecord& record);

    // What a line must hold to be decoded at all.
    static const ByteNeedles& needles();

private:
    std::unique_ptr<JsonLineReader> reader_;
};

}  // namespace corvane
