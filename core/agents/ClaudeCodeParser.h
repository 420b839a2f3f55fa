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
    // and usage, but for an output count that early copies hold back:
    // otherwise only the block, the line's own "uuid", its "parentUuid" and
    // its "timestamp" differ.
    struct BilledLine {
        // The line around its content array, viewed in place: the caller
        // keeps the line's bytes while it asks about copies.
        std::string_view head;
        std::string_view tail;
        // The values that may differ, as offsets into head and tail joined,
        // a string's quotes excluded.
        struct Span {
            enum class Kind : std::uint8_t { string, time, outputCount };
            std::uint32_t at = 0;
            std::uint32_t size = 0;
            Kind kind = Kind::string;
        };
        std::array<Span, 4> spans{};
        std::size_t spanCount = 0;
    };
    // What the last parse billed, when it read the line around its content
    // and the line's free strings are plain; nothing after a parse that
    // billed nothing.
    const std::optional<BilledLine>& lastBilled() const { return lastBilled_; }

    // What a copy says that its billed line did not.
    struct Copy {
        WallTime timestamp = WallTime::distantPast();
        std::optional<std::int64_t> output;  // when the billed line's count may change
    };
    // `line` as a copy of `billed`: the same bytes but for the content
    // array, the free strings, which hold printable ASCII but no quote or
    // backslash, and times that parse, and the digits of the output count.
    // Read around its content like `billed`, it decodes to the same call
    // with the same usage but for that count; the caller, who kept the
    // billed record, needs no decoding. Nothing when it is no such copy.
    static std::optional<Copy> copyOf(const BilledLine& billed, std::string_view line);
    // Turns the billed line's record into the copy's; false when the copy
    // bills nothing.
    static bool applyCopy(const Copy& copy, UsageRecord& record);

private:
    std::unique_ptr<JsonLineReader> reader_;
    std::optional<BilledLine> lastBilled_;
};

}  // namespace corvane
