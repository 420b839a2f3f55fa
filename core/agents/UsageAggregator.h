#pragma once
// The in-memory usage store: 90 days of billed model calls, de-duplicated
// by a 64-bit hash of each call's id, with names interned as small integers
// and sums kept per 15-minute slot so that range queries touch slots rather
// than records.
//
// Memory layout (a million records must stay under 150 bytes each):
// records are 80-byte structs in chunks of one large page that never move
// (no doubling copy at the peak), found through an open-addressing table
// of 32-bit record numbers, each beside half of its key, kept at most half
// full, and each slot lists its record numbers. Freed numbers are reused.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/PriceMemo.h"
#include "core/agents/TokenUsage.h"
#include "core/agents/UsageRecord.h"
#include "core/base/LargePages.h"
#include "core/base/Time.h"

namespace corvane {

// How long calls are kept.
inline constexpr double usageRetentionSeconds = 7'776'000;  // 90 days

// A stable 64-bit hash of a record id, its low bits spread by a final mix.
std::uint64_t usageRecordKey(std::string_view id);

// [from, to): queries resolve ranges to whole 15-minute slots, so a bound
// inside a slot takes that slot in when it starts before `to`.
struct TimeRange {
    WallTime from;
    WallTime to;
    bool operator==(const TimeRange&) const = default;
};

// Today, the current week (from Monday) and the current month in the calendar's zone.
struct UsagePeriods {
    TimeRange today;
    TimeRange week;
    TimeRange month;
};
UsagePeriods usagePeriods(WallTime now, const Calendar& calendar);

struct UsageSummary {
    TokenUsage tokens;
    double cost = 0;                 // priced models only
    std::int64_t unpricedTokens = 0;  // tokens of models without a price
    int sessions = 0;                 // distinct sessions
    bool operator==(const UsageSummary&) const = default;
};

// One agent and model over a range.
struct ModelUsage {
    AgentKind agent = AgentKind::claudeCode;
    std::string model;
    TokenUsage tokens;
    std::optional<double> cost;  // none when the model has no price
    int sessions = 0;
    bool operator==(const ModelUsage&) const = default;
};

struct DailyUsage {
    WallTime day;  // start of the local day
    std::int64_t tokens = 0;
    double cost = 0;
    bool operator==(const DailyUsage&) const = default;
};

struct UsageHeatmap {
    struct Cell {
        int day = 0;   // 0 = Monday ... 6 = Sunday
        int hour = 0;  // 0...23
        std::int64_t tokens = 0;
        int sessions = 0;
        double cost = 0;
        int level = 0;  // 0 empty, 1...4 relative to the largest cell
        bool operator==(const Cell&) const = default;
    };
    std::vector<Cell> cells;  // 7 × 24, Monday 0:00 first
    std::int64_t totalTokens = 0;
    double totalCost = 0;
    int totalSessions = 0;
    std::optional<std::string> busiest;  // "Tuesday afternoons": the largest cell's weekday and part of the day
};

// A stored call as queries see it; the id itself is kept only as its key.
struct AggregatedRecord {
    std::uint64_t key = 0;
    AgentKind agent = AgentKind::claudeCode;
    std::string_view model;
    WallTime timestamp;
    std::string_view sessionID;
    std::optional<std::string_view> project;
    TokenUsage usage;
};

std::ostream& operator<<(std::ostream& out, const UsageSummary& summary);
std::ostream& operator<<(std::ostream& out, const ModelUsage& usage);
std::ostream& operator<<(std::ostream& out, const DailyUsage& usage);

class UsageAggregator {
public:
    UsageAggregator();
    ~UsageAggregator();
    UsageAggregator(const UsageAggregator&) = delete;
    UsageAggregator& operator=(const UsageAggregator&) = delete;

    // False when a copy of the call with at least as many tokens is already
    // stored: agents write a message several times while it streams and the
    // fullest copy wins, whatever the order the copies arrive in.
    bool add(const UsageRecord& record);
    // Adds the records in order as `add` does, their keys (`usageRecordKey`)
    // computed already; `taken` sees each one stored. Each key's table entry
    // is fetched a few records ahead, so a batch waits on memory less than
    // once per record.
    void addAll(std::span<UsageRecord> records, std::span<const std::uint64_t> keys,
                const std::function<void(UsageRecord&)>& taken);
    std::size_t count() const { return count_; }
    void reserveCapacity(std::size_t records);
    // Removes the calls before the instant; the number removed.
    std::size_t prune(WallTime before);

    void forEachRecord(const std::function<void(const AggregatedRecord&)>& body) const;
    std::vector<AggregatedRecord> allRecords() const;

    UsageSummary summary(TimeRange range, std::optional<AgentKind> agent, PriceMemo& prices) const;
    // Per agent and model, ordered by agent and then model name.
    std::vector<ModelUsage> byModel(TimeRange range, PriceMemo& prices) const;
    // One entry per local day, oldest first, the last being the day of `endingAt`.
    std::vector<DailyUsage> daily(int days, WallTime endingAt, const Calendar& calendar, PriceMemo& prices) const;
    // Consecutive local days with use, ending at the day of `endingAt` (0 when that day has none).
    int streak(WallTime endingAt, const Calendar& calendar) const;
    // The `weeks` × 7 local days ending at the day of `endingAt`, by weekday and hour.
    UsageHeatmap heatmap(int weeks, WallTime endingAt, const Calendar& calendar, PriceMemo& prices) const;

    // Interned names (models, sessions, projects), each stored once.
    std::size_t nameCount() const { return names_.size(); }

private:
    using NameID = std::uint32_t;
    using RecordNumber = std::uint32_t;

    struct Stored {
        std::uint64_t key;
        double timestamp;  // seconds since 1970
        TokenUsage usage;
        NameID model;
        NameID session;
        NameID project;  // noName when the call has none
        AgentKind agent;
    };
    static_assert(sizeof(Stored) == 80, "the per-record budget counts on 80-byte records");
    // Sums of one agent and model in a slot; `records` drops the cell at zero.
    struct UsageCell {
        TokenUsage usage;
        NameID model;
        std::uint32_t records;
        AgentKind agent;
    };
    // One session's calls on one agent and model in a slot, so sessions can be
    // counted per agent, per model, or overall, and a replaced call leaves no trace.
    struct SessionCell {
        NameID model;
        NameID session;
        std::uint32_t records;
        AgentKind agent;
    };
    struct Bucket {
        std::vector<UsageCell> usage;
        std::vector<SessionCell> sessions;
        std::vector<RecordNumber> ids;
    };

    static constexpr NameID noName = UINT32_MAX;
    static constexpr RecordNumber noRecord = UINT32_MAX;
    // A chunk fills one large page.
    static constexpr std::size_t chunkSize = largepages::hugePageBytes / sizeof(Stored);
    static constexpr double slotSeconds = 900;

    Stored& stored(RecordNumber number) { return chunks_[number / chunkSize][number % chunkSize]; }
    const Stored& stored(RecordNumber number) const { return chunks_[number / chunkSize][number % chunkSize]; }
    NameID intern(std::string_view name);
    std::string_view name(NameID id) const { return names_[id]; }

    static std::int64_t slotOf(double timestamp);
    bool add(const UsageRecord& record, std::uint64_t key);
    RecordNumber find(std::uint64_t key) const;
    void insertIntoTable(RecordNumber number);
    void eraseFromTable(std::uint64_t key);
    void rehash(std::size_t capacity);
    RecordNumber allocate();
    void attach(RecordNumber number);
    void detach(RecordNumber number);
    void release(RecordNumber number);
    void assign(Stored& target, const UsageRecord& record);

    // Buckets whose slots start in [from, to).
    template <typename Body>
    void forEachBucket(TimeRange range, Body body) const;

    struct ChunkDeleter {
        void operator()(Stored* chunk) const { LargePageAllocator<Stored>().deallocate(chunk, chunkSize); }
    };
    std::vector<std::unique_ptr<Stored[], ChunkDeleter>> chunks_;
    RecordNumber used_ = 0;  // record numbers handed out so far
    std::vector<RecordNumber> free_;
    std::size_t count_ = 0;
    // A table entry carries the key's upper half, which the probe position
    // (the lower bits) does not use: a probe past another record then
    // rarely has to fetch that record.
    struct TableEntry {
        RecordNumber number;
        std::uint32_t tag;
    };
    static std::uint32_t tagOf(std::uint64_t key) { return static_cast<std::uint32_t>(key >> 32); }
    using Table = std::vector<TableEntry, LargePageAllocator<TableEntry>>;
    Table table_;  // open addressing, linear probing

    std::deque<std::string> names_;
    std::unordered_map<std::string_view, NameID> nameIndex_;

    std::map<std::int64_t, Bucket> buckets_;  // by slot: floor(seconds since 1970 / 900)
};

}  // namespace corvane
