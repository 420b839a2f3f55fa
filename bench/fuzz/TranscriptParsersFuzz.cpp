// libFuzzer target for the tailer and both transcript parsers. The tailer
// reads the input as a file, in reads of a size the input's first byte
// picks, and must hand over exactly its complete lines shorter than a read.
// Then the input is split into
// lines like a transcript; every line goes through the Claude Code parser
// and, with one state carried across the input, the Codex parser, both as a
// plain line and in place inside a padded buffer. Traps when a parser gives
// a record no real call could have, when the two paths disagree, when a line
// the Codex screen turns away decodes to anything, or when a line taken for
// a copy of the last billed Claude line or of the last Codex count decodes
// to anything but what the copy was taken for.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "core/agents/ClaudeCodeParser.h"
#include "core/agents/CodexParser.h"
#include "core/agents/JSONLTailer.h"

namespace {

using namespace corvane;

bool isPlausible(const TokenUsage& usage)
{
    for (std::int64_t count : {usage.input, usage.output, usage.cacheWrite5m, usage.cacheWrite1h, usage.cacheRead,
                               usage.reasoning}) {
        if (count < 0)
            return false;
    }
    return usage.input > 0 || usage.output > 0 || usage.cacheWrite5m > 0 || usage.cacheWrite1h > 0
           || usage.cacheRead > 0 || usage.reasoning > 0;
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkTailer(std::string_view input)
{
    static const FileDescriptor file(::memfd_create("transcript", MFD_CLOEXEC));
    check(file.valid() && ::ftruncate(file.get(), 0) == 0);
    check(::pwrite(file.get(), input.data(), input.size(), 0) == static_cast<ssize_t>(input.size()));
    const std::size_t maxBytes = input.empty() ? 0 : static_cast<unsigned char>(input[0]) * 4;
    const std::size_t readSize = std::max(maxBytes, JSONLTailer::minimumReadBytes);

    std::vector<std::string_view> expected;
    for (std::size_t start = 0, end; (end = input.find('\n', start)) != std::string_view::npos; start = end + 1) {
        if (end > start && end - start < readSize)
            expected.push_back(input.substr(start, end - start));
    }
    std::vector<std::string> lines;
    TailBuffer buffer;
    std::optional<TailState> state;
    for (bool more = true; more;) {
        auto view = JSONLTailer::readInto(file, state, maxBytes, buffer);
        lines.insert(lines.end(), view.lines.begin(), view.lines.end());
        more = view.more && view.state.offset != state.value_or(TailState{}).offset;
        state = view.state;
    }
    check(std::equal(lines.begin(), lines.end(), expected.begin(), expected.end()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ClaudeCodeParser claude;
    static CodexParser codex;
    static CodexParser unscreened;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkTailer(input);
    // Laid out as the tailer hands lines over: each followed by its newline.
    std::vector<char> padded(size + 1 + transcriptLinePadding);
    std::copy(input.begin(), input.end(), padded.begin());
    padded[size] = '\n';

    CodexParser::State plainState;
    CodexParser::State paddedState;
    std::optional<ClaudeCodeParser::BilledLine> kept;
    UsageRecord keptRecord;
    std::optional<CodexParser::CountLine> keptCount;
    std::size_t start = 0;
    while (start <= size) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = size;
        const std::string_view line = input.substr(start, end - start);
        const PaddedLine inPlace{std::string_view(padded.data() + start, line.size())};

        const auto copy = kept ? ClaudeCodeParser::copyOf(*kept, inPlace.bytes) : std::nullopt;
        auto record = claude.parse(line, "fallback");
        check(record == claude.parse(inPlace, "fallback"));
        check(!record || isPlausible(record->usage));
        if (copy) {
            UsageRecord copied = keptRecord;
            const bool bills = ClaudeCodeParser::applyCopy(*copy, copied);
            check(bills == record.has_value() && (!bills || copied == *record));
        }
        if (record && claude.lastBilled()) {
            kept = claude.lastBilled();
            keptRecord = *record;
        }

        // What the Codex screen turns away decodes to nothing.
        if (!CodexParser::screens(line)) {
            CodexParser::State before = paddedState;
            UsageRecord record;
            check(!unscreened.parseInto(inPlace, before, Screening::passed, record) && before == paddedState);
        }
        CodexParser::State copied = paddedState;
        const bool codexCopy = keptCount && CodexParser::readCopy(*keptCount, inPlace.bytes, copied);
        auto codexRecord = codex.parse(line, plainState);
        check(codexRecord == codex.parse(inPlace, paddedState));
        check(!codexCopy || (!codexRecord && copied == paddedState));
        keptCount = codex.lastCount();
        check(!codexRecord || isPlausible(codexRecord->usage));
        check(plainState == paddedState);
        for (const auto& window : plainState.limits)
            check(window.p >= 0 && window.p <= 100 && (!window.m || (*window.m >= 1 && *window.m <= 129600)));
        auto stored = CodexParser::State::fromJson(plainState.toJson());
        check(stored && stored->limitsAt.has_value() == plainState.limitsAt.has_value());
        if (stored->limitsAt) {
            // Kept as seconds since 2001 like every stored time: far from
            // today the change of epoch may round it by a step.
            const double at = plainState.limitsAt->unixSeconds();
            check(std::abs(stored->limitsAt->unixSeconds() - at) <= 1e-14 * std::max(std::abs(at), 1e9));
            stored->limitsAt = plainState.limitsAt;
        }
        check(*stored == plainState);
        start = end + 1;
    }
    return 0;
}
