#pragma once
// Turns one Claude Code transcript line into the model call it bills, if it
// is one: an "assistant" line with a message id, a model and token usage.
// Holds a decoder with reusable buffers: one parser per thread.

#include <array>
#include <cstdint>
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

    // A billed line as the copies of its message repeat it. Claude writes a
    // message once per content block, and every copy carries the same id
    // and usage: only the block, the line's own "uuid", its "parentUuid"
    // and its "timestamp" differ.
    struct BilledLine {
        // The line around its content array, viewed in place: the caller
        // keeps the line's bytes while it asks about copies.
        std::string_view head;
        std::string_view tail;
        // The values that may differ, as offsets into head and tail joined,
        // quotes excluded; times must still parse in a copy.
        struct Span {
            std::uint32_t at = 0;
            std::uint32_t size = 0;
            bool time = false;
        };
        std::array<Span, 3> free{};
        std::size_t freeCount = 0;
    };
    // What the last parse billed, when it read the line around its content
    // and the line's free values are plain strings; nothing after a parse
    // that billed nothing.
    const std::optional<BilledLine>& lastBilled() const { return lastBilled_; }
    // Whether `line` repeats `billed` byte for byte but for the content
    // array and the free values, which hold printable ASCII but no quote or
    // backslash, and times that parse. Read around its content like
    // `billed`, it decodes to the same call with the same usage, which the
    // store keeps once: decoding it would change nothing.
    static bool repeats(const BilledLine& billed, std::string_view line);

private:
    std::unique_ptr<JsonLineReader> reader_;
    std::optional<BilledLine> lastBilled_;
};

}  // namespace corvane
