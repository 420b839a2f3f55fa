#pragma once
// The records file beside the usage store ("ai-index.records.jsonl" beside
// "ai-index.json"): one UsageRecord as JSON per line, only ever appended and
// never rewritten. Old lines are skipped at load by the retention cutoff.
//
// Reading tells a torn last append (a record cut short, which the snapshot
// never counted: it is written after the append) from damage (a line that
// is not a record at all). Damage means records were lost behind transcript
// positions already saved, so the indexer must read the transcripts again.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/agents/UsageRecord.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

namespace UsageRecordsFile {

// No record comes near this; a longer line is damage and is not decoded.
inline constexpr std::size_t maxLineBytes = 64 * 1024;
inline constexpr std::size_t pieceBytes = 4 * 1024 * 1024;

// The store's name with its extension replaced by "records.jsonl".
std::filesystem::path pathFor(const std::filesystem::path& storePath);

// One line per record, each ending in a line feed.
std::string encode(const std::vector<UsageRecord>& records);

// Appends the records, creating the file (0600) when missing, even for no
// records. A file whose last append was torn gets a line feed first so the
// torn line stays alone.
Result<void> append(const std::filesystem::path& path, const std::vector<UsageRecord>& records);

struct Counts {
    std::int64_t records = 0;  // decoded and within the cutoff
    std::int64_t expired = 0;  // decoded but older than the cutoff
    std::int64_t torn = 0;     // cut short by an interrupted append
    std::int64_t damaged = 0;  // neither a record nor a torn one
    bool damagedFile() const { return damaged > 0; }
    bool operator==(const Counts&) const = default;
};

// Decodes the file's lines, handing each record within the cutoff to the sink.
class Decoder {
public:
    using Sink = std::function<void(UsageRecord&&)>;
    Decoder(WallTime cutoff, Sink sink) : cutoff_(cutoff), sink_(std::move(sink)) {}

    // One complete line without its line feed; past `maxLineBytes` it is not decoded.
    void line(std::string_view text);
    const Counts& counts() const { return counts_; }

private:
    WallTime cutoff_;
    Sink sink_;
    Counts counts_;
};

// Reads the whole file in pieces with the transcript tailer; an absent
// file has no records. A last line without its line feed is left unread.
Result<Counts> load(const std::filesystem::path& path, WallTime cutoff, const Decoder::Sink& sink);

}  // namespace UsageRecordsFile

}  // namespace corvane
