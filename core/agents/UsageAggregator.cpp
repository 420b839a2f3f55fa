#include "core/agents/UsageAggregator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ostream>
#include <tuple>
#include <unordered_set>

#include <fmt/format.h>

namespace corvane {

namespace {

constexpr double hourSeconds = 3600;

std::uint64_t mixed(std::uint64_t value)
{
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ULL;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebULL;
    value ^= value >> 31;
    return value;
}

// Any instant 36 hours after a day's start lies in the next day (days last 23 to 25 hours).
WallTime nextDayStart(WallTime dayStart, const Calendar& calendar)
{
    return calendar.startOfDay(dayStart.plusSeconds(36 * hourSeconds));
}

WallTime previousDayStart(WallTime dayStart, const Calendar& calendar)
{
    return calendar.startOfDay(dayStart.plusSeconds(-12 * hourSeconds));
}

WallTime daysBefore(WallTime dayStart, int days, const Calendar& calendar)
{
    for (int i = 0; i < days; ++i)
        dayStart = previousDayStart(dayStart, calendar);
    return dayStart;
}

// The local day of each instant of an ascending walk, asking the zone only when a day ends.
class DayCursor {
public:
    explicit DayCursor(const Calendar& calendar) : calendar_(calendar) {}

    std::int64_t dayNumber(WallTime time)
    {
        if (!(time >= start_ && time < end_)) {
            start_ = calendar_.startOfDay(time);
            end_ = nextDayStart(start_, calendar_);
            number_ = calendar_.dayNumber(time);
        }
        return number_;
    }

private:
    const Calendar& calendar_;
    WallTime start_ = WallTime::fromUnixSeconds(0);
    WallTime end_ = WallTime::fromUnixSeconds(0);
    std::int64_t number_ = 0;
};

// Distinct (agent, name) pairs.
std::uint64_t pairKey(AgentKind agent, std::uint32_t name)
{
    return (static_cast<std::uint64_t>(agent) << 32) | name;
}

std::string busiestText(int day, int hour)
{
    static constexpr std::array<const char*, 7> weekdays{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    const char* part = "nights";
    if (hour >= 5 && hour <= 11)
        part = "mornings";
    else if (hour >= 12 && hour <= 16)
        part = "afternoons";
    else if (hour >= 17 && hour <= 21)
        part = "evenings";
    return fmt::format("{} {}", weekdays[static_cast<std::size_t>(day)], part);
}

}  // namespace

// Eight bytes a step: ids are tens of bytes long and hashed once per
// billed line. Each step is a bijection of the running value for a given
// word, like FNV-1a's per byte, and the length is mixed in first so ids of
// different lengths never meet on padding.
std::uint64_t usageRecordKey(std::string_view id)
{
    constexpr std::uint64_t multiplier = 0x9e3779b97f4a7c15ULL;
    std::uint64_t hash = 0xcbf29ce484222325ULL ^ (id.size() * multiplier);
    auto step = [&](std::uint64_t word) {
        hash = (hash ^ word) * multiplier;
        hash ^= hash >> 32;
    };
    std::size_t at = 0;
    for (; at + 8 <= id.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, id.data() + at, 8);
        step(word);
    }
    std::uint64_t rest = 0;
    if (at < id.size())
        std::memcpy(&rest, id.data() + at, id.size() - at);
    step(rest);
    return mixed(hash);
}

UsagePeriods usagePeriods(WallTime now, const Calendar& calendar)
{
    WallTime today = calendar.startOfDay(now);
    LocalDateTime local = calendar.components(now);
    int sinceMonday = (local.weekday + 6) % 7;
    WallTime monday = daysBefore(today, sinceMonday, calendar);
    WallTime nextMonday = monday;
    for (int i = 0; i < 7; ++i)
        nextMonday = nextDayStart(nextMonday, calendar);
    WallTime monthStart = calendar.instant({local.year, local.month, 1, 0, 0, 0, 0});
    bool december = local.month == 12;
    WallTime nextMonth = calendar.instant({december ? local.year + 1 : local.year, december ? 1 : local.month + 1, 1, 0, 0, 0, 0});
    return {{today, nextDayStart(today, calendar)}, {monday, nextMonday}, {monthStart, nextMonth}};
}

std::ostream& operator<<(std::ostream& out, const UsageSummary& summary)
{
    return out << "{tokens " << summary.tokens << ", cost " << summary.cost << ", unpriced " << summary.unpricedTokens
               << ", sessions " << summary.sessions << "}";
}

std::ostream& operator<<(std::ostream& out, const ModelUsage& usage)
{
    out << "{" << rawValue(usage.agent) << " " << usage.model << ", tokens " << usage.tokens << ", cost ";
    if (usage.cost)
        out << *usage.cost;
    else
        out << "none";
    return out << ", sessions " << usage.sessions << "}";
}

std::ostream& operator<<(std::ostream& out, const DailyUsage& usage)
{
    return out << "{" << iso8601(usage.day) << ", tokens " << usage.tokens << ", cost " << usage.cost << "}";
}

UsageAggregator::UsageAggregator() { rehash(1024); }
UsageAggregator::~UsageAggregator() = default;

UsageAggregator::NameID UsageAggregator::intern(std::string_view text)
{
    if (auto found = nameIndex_.find(text); found != nameIndex_.end())
        return found->second;
    auto id = static_cast<NameID>(names_.size());
    const std::string& kept = names_.emplace_back(text);
    nameIndex_.emplace(kept, id);
    return id;
}

std::int64_t UsageAggregator::slotOf(double timestamp)
{
    return static_cast<std::int64_t>(std::floor(timestamp / slotSeconds));
}

UsageAggregator::RecordNumber UsageAggregator::find(std::uint64_t key) const
{
    const std::size_t mask = table_.size() - 1;
    const std::uint32_t tag = tagOf(key);
    for (std::size_t index = key & mask;; index = (index + 1) & mask) {
        const TableEntry entry = table_[index];
        if (entry.number == noRecord || (entry.tag == tag && stored(entry.number).key == key))
            return entry.number;
    }
}

void UsageAggregator::insertIntoTable(RecordNumber number)
{
    if ((count_ + 1) * 2 > table_.size())
        rehash(table_.size() * 2);
    const std::uint64_t key = stored(number).key;
    const std::size_t mask = table_.size() - 1;
    std::size_t index = key & mask;
    while (table_[index].number != noRecord)
        index = (index + 1) & mask;
    table_[index] = {number, tagOf(key)};
}

// Backward-shift deletion keeps every probe run unbroken without tombstones.
void UsageAggregator::eraseFromTable(std::uint64_t key)
{
    const std::size_t mask = table_.size() - 1;
    std::size_t hole = key & mask;
    while (table_[hole].tag != tagOf(key) || stored(table_[hole].number).key != key)
        hole = (hole + 1) & mask;
    for (std::size_t next = (hole + 1) & mask; table_[next].number != noRecord; next = (next + 1) & mask) {
        std::size_t home = stored(table_[next].number).key & mask;
        // Move the entry back unless its home lies cyclically in (hole, next].
        bool homeBetween = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (!homeBetween) {
            table_[hole] = table_[next];
            hole = next;
        }
    }
    table_[hole].number = noRecord;
}

void UsageAggregator::rehash(std::size_t capacity)
{
    std::size_t size = 1;
    while (size < capacity)
        size <<= 1;
    Table old = std::move(table_);
    table_.assign(size, {noRecord, 0});
    const std::size_t mask = size - 1;
    for (const TableEntry& entry : old) {
        if (entry.number == noRecord)
            continue;
        std::size_t index = stored(entry.number).key & mask;
        while (table_[index].number != noRecord)
            index = (index + 1) & mask;
        table_[index] = entry;
    }
}

void UsageAggregator::reserveCapacity(std::size_t records)
{
    chunks_.reserve((records + chunkSize - 1) / chunkSize);
    if (records * 2 > table_.size())
        rehash(records * 2);
}

UsageAggregator::RecordNumber UsageAggregator::allocate()
{
    if (!free_.empty()) {
        RecordNumber number = free_.back();
        free_.pop_back();
        return number;
    }
    if (used_ / chunkSize == chunks_.size())
        chunks_.emplace_back(LargePageAllocator<Stored>().allocate(chunkSize));
    return used_++;
}

// A freed record is marked by having no session; every stored call has one.
void UsageAggregator::release(RecordNumber number)
{
    stored(number).session = noName;
    free_.push_back(number);
    --count_;
}

void UsageAggregator::assign(Stored& target, const UsageRecord& record)
{
    target.timestamp = record.timestamp.unixSeconds();
    target.usage = record.usage;
    target.model = intern(record.model);
    target.session = intern(record.sessionID);
    target.project = record.project ? intern(*record.project) : noName;
    target.agent = record.agent;
}

void UsageAggregator::attach(RecordNumber number)
{
    const Stored& record = stored(number);
    Bucket& bucket = buckets_[slotOf(record.timestamp)];
    auto cell = std::find_if(bucket.usage.begin(), bucket.usage.end(),
                             [&](const UsageCell& c) { return c.agent == record.agent && c.model == record.model; });
    if (cell == bucket.usage.end())
        bucket.usage.push_back({record.usage, record.model, 1, record.agent});
    else {
        cell->usage += record.usage;
        ++cell->records;
    }
    auto session = std::find_if(bucket.sessions.begin(), bucket.sessions.end(), [&](const SessionCell& c) {
        return c.agent == record.agent && c.model == record.model && c.session == record.session;
    });
    if (session == bucket.sessions.end())
        bucket.sessions.push_back({record.model, record.session, 1, record.agent});
    else
        ++session->records;
    bucket.ids.push_back(number);
}

void UsageAggregator::detach(RecordNumber number)
{
    const Stored& record = stored(number);
    auto found = buckets_.find(slotOf(record.timestamp));
    Bucket& bucket = found->second;
    auto cell = std::find_if(bucket.usage.begin(), bucket.usage.end(),
                             [&](const UsageCell& c) { return c.agent == record.agent && c.model == record.model; });
    TokenUsage negative{-record.usage.input, -record.usage.output, -record.usage.cacheWrite5m,
                        -record.usage.cacheWrite1h, -record.usage.cacheRead, -record.usage.reasoning};
    cell->usage += negative;
    if (--cell->records == 0)
        bucket.usage.erase(cell);
    auto session = std::find_if(bucket.sessions.begin(), bucket.sessions.end(), [&](const SessionCell& c) {
        return c.agent == record.agent && c.model == record.model && c.session == record.session;
    });
    if (--session->records == 0)
        bucket.sessions.erase(session);
    auto id = std::find(bucket.ids.begin(), bucket.ids.end(), number);
    *id = bucket.ids.back();
    bucket.ids.pop_back();
    if (bucket.ids.empty())
        buckets_.erase(found);
}

bool UsageAggregator::add(const UsageRecord& record)
{
    return add(record, usageRecordKey(record.id));
}

void UsageAggregator::addAll(std::span<UsageRecord> records, std::span<const std::uint64_t> keys,
                             const std::function<void(UsageRecord&)>& taken)
{
    // Far enough ahead for the fetch to land before the record's turn.
    constexpr std::size_t ahead = 8;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i + ahead < keys.size())
            __builtin_prefetch(&table_[keys[i + ahead] & (table_.size() - 1)]);
        if (add(records[i], keys[i]))
            taken(records[i]);
    }
}

bool UsageAggregator::add(const UsageRecord& record, std::uint64_t key)
{
    RecordNumber existing = find(key);
    if (existing != noRecord) {
        if (stored(existing).usage.total() >= record.usage.total())
            return false;
        detach(existing);
        assign(stored(existing), record);
        attach(existing);
        return true;
    }
    RecordNumber number = allocate();
    Stored& target = stored(number);
    target.key = key;
    assign(target, record);
    insertIntoTable(number);
    ++count_;
    attach(number);
    return true;
}

std::size_t UsageAggregator::prune(WallTime before)
{
    double cutoff = before.unixSeconds();
    std::size_t removed = 0;
    while (!buckets_.empty()) {
        auto first = buckets_.begin();
        if (static_cast<double>(first->first) * slotSeconds >= cutoff)
            break;
        // Copied: detaching the last record erases the bucket.
        std::vector<RecordNumber> ids = first->second.ids;
        bool partial = false;
        for (RecordNumber number : ids) {
            if (stored(number).timestamp >= cutoff) {
                partial = true;
                continue;
            }
            detach(number);
            eraseFromTable(stored(number).key);
            release(number);
            ++removed;
        }
        if (partial)
            break;
    }
    return removed;
}

void UsageAggregator::forEachRecord(const std::function<void(const AggregatedRecord&)>& body) const
{
    for (RecordNumber number = 0; number < used_; ++number) {
        const Stored& record = stored(number);
        if (record.session == noName)
            continue;
        std::optional<std::string_view> project;
        if (record.project != noName)
            project = name(record.project);
        body({record.key, record.agent, name(record.model), WallTime::fromUnixSeconds(record.timestamp),
              name(record.session), project, record.usage});
    }
}

std::vector<AggregatedRecord> UsageAggregator::allRecords() const
{
    std::vector<AggregatedRecord> records;
    records.reserve(count_);
    forEachRecord([&](const AggregatedRecord& record) { records.push_back(record); });
    return records;
}

template <typename Body>
void UsageAggregator::forEachBucket(TimeRange range, Body body) const
{
    auto first = buckets_.lower_bound(slotOf(range.from.unixSeconds()));
    auto last = buckets_.lower_bound(static_cast<std::int64_t>(std::ceil(range.to.unixSeconds() / slotSeconds)));
    for (auto it = first; it != last; ++it)
        body(WallTime::fromUnixSeconds(static_cast<double>(it->first) * slotSeconds), it->second);
}

UsageSummary UsageAggregator::summary(TimeRange range, std::optional<AgentKind> agent, PriceMemo& prices) const
{
    UsageSummary summary;
    std::unordered_set<std::uint64_t> sessions;
    forEachBucket(range, [&](WallTime, const Bucket& bucket) {
        for (const UsageCell& cell : bucket.usage) {
            if (agent && cell.agent != *agent)
                continue;
            summary.tokens += cell.usage;
            if (auto cost = prices.cost(cell.usage, name(cell.model)))
                summary.cost += *cost;
            else
                summary.unpricedTokens += cell.usage.total();
        }
        for (const SessionCell& cell : bucket.sessions) {
            if (!agent || cell.agent == *agent)
                sessions.insert(pairKey(cell.agent, cell.session));
        }
    });
    summary.sessions = static_cast<int>(sessions.size());
    return summary;
}

std::vector<ModelUsage> UsageAggregator::byModel(TimeRange range, PriceMemo& prices) const
{
    struct Sums {
        TokenUsage tokens;
        std::unordered_set<NameID> sessions;
    };
    // By interned name while summing; names are compared only to order the few results.
    std::unordered_map<std::uint64_t, Sums> sums;
    forEachBucket(range, [&](WallTime, const Bucket& bucket) {
        for (const UsageCell& cell : bucket.usage)
            sums[pairKey(cell.agent, cell.model)].tokens += cell.usage;
        for (const SessionCell& cell : bucket.sessions)
            sums[pairKey(cell.agent, cell.model)].sessions.insert(cell.session);
    });
    std::vector<ModelUsage> out;
    out.reserve(sums.size());
    for (const auto& [key, value] : sums) {
        const std::string_view model = name(static_cast<NameID>(key));
        out.push_back({static_cast<AgentKind>(key >> 32), std::string(model), value.tokens,
                       prices.cost(value.tokens, model), static_cast<int>(value.sessions.size())});
    }
    std::sort(out.begin(), out.end(),
              [](const ModelUsage& a, const ModelUsage& b) { return std::tie(a.agent, a.model) < std::tie(b.agent, b.model); });
    return out;
}

std::vector<DailyUsage> UsageAggregator::daily(int days, WallTime endingAt, const Calendar& calendar, PriceMemo& prices) const
{
    if (days <= 0)
        return {};
    std::vector<DailyUsage> out;
    out.reserve(static_cast<std::size_t>(days));
    WallTime day = daysBefore(calendar.startOfDay(endingAt), days - 1, calendar);
    for (int i = 0; i < days; ++i) {
        out.push_back({day, 0, 0});
        day = nextDayStart(day, calendar);
    }
    std::int64_t firstDay = calendar.dayNumber(out.front().day);
    DayCursor cursor(calendar);
    forEachBucket({out.front().day, day}, [&](WallTime start, const Bucket& bucket) {
        DailyUsage& entry = out[static_cast<std::size_t>(cursor.dayNumber(start) - firstDay)];
        for (const UsageCell& cell : bucket.usage) {
            entry.tokens += cell.usage.total();
            entry.cost += prices.cost(cell.usage, name(cell.model)).value_or(0);
        }
    });
    return out;
}

int UsageAggregator::streak(WallTime endingAt, const Calendar& calendar) const
{
    WallTime end = nextDayStart(calendar.startOfDay(endingAt), calendar);
    std::unordered_set<std::int64_t> activeDays;
    DayCursor cursor(calendar);
    forEachBucket({WallTime::fromUnixSeconds(buckets_.empty() ? 0 : static_cast<double>(buckets_.begin()->first) * slotSeconds), end},
                  [&](WallTime start, const Bucket&) { activeDays.insert(cursor.dayNumber(start)); });
    int streak = 0;
    for (std::int64_t day = calendar.dayNumber(endingAt); activeDays.contains(day); --day)
        ++streak;
    return streak;
}

UsageHeatmap UsageAggregator::heatmap(int weeks, WallTime endingAt, const Calendar& calendar, PriceMemo& prices) const
{
    UsageHeatmap map;
    map.cells.reserve(7 * 24);
    for (int day = 0; day < 7; ++day) {
        for (int hour = 0; hour < 24; ++hour)
            map.cells.push_back({day, hour, 0, 0, 0, 0});
    }
    if (weeks <= 0)
        return map;
    WallTime endDay = calendar.startOfDay(endingAt);
    TimeRange range{daysBefore(endDay, weeks * 7 - 1, calendar), nextDayStart(endDay, calendar)};
    std::vector<std::unordered_set<std::uint64_t>> cellSessions(map.cells.size());
    std::unordered_set<std::uint64_t> allSessions;
    forEachBucket(range, [&](WallTime start, const Bucket& bucket) {
        LocalDateTime local = calendar.components(start);
        std::size_t index = static_cast<std::size_t>(((local.weekday + 6) % 7) * 24 + local.hour);
        UsageHeatmap::Cell& cell = map.cells[index];
        for (const UsageCell& usage : bucket.usage) {
            double cost = prices.cost(usage.usage, name(usage.model)).value_or(0);
            cell.tokens += usage.usage.total();
            cell.cost += cost;
            map.totalTokens += usage.usage.total();
            map.totalCost += cost;
        }
        for (const SessionCell& session : bucket.sessions) {
            cellSessions[index].insert(pairKey(session.agent, session.session));
            allSessions.insert(pairKey(session.agent, session.session));
        }
    });
    map.totalSessions = static_cast<int>(allSessions.size());
    const UsageHeatmap::Cell* largest = nullptr;
    for (std::size_t i = 0; i < map.cells.size(); ++i) {
        map.cells[i].sessions = static_cast<int>(cellSessions[i].size());
        if (map.cells[i].tokens > 0 && (largest == nullptr || map.cells[i].tokens > largest->tokens))
            largest = &map.cells[i];
    }
    if (largest == nullptr)
        return map;
    for (UsageHeatmap::Cell& cell : map.cells) {
        if (cell.tokens > 0)
            cell.level = static_cast<int>(std::clamp<std::int64_t>((cell.tokens * 4 + largest->tokens - 1) / largest->tokens, 1, 4));
    }
    map.busiest = busiestText(largest->day, largest->hour);
    return map;
}

}  // namespace corvane
