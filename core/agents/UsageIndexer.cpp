#include "core/agents/UsageIndexer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <thread>
#include <unordered_set>

#include <sys/stat.h>

#include "core/agents/ClaudeCodeParser.h"
#include "core/agents/GitBranchSniffer.h"
#include "core/agents/JSONLTailer.h"
#include "core/agents/LineFilter.h"
#include "core/agents/TranscriptPaths.h"
#include "core/base/Files.h"

namespace fs = std::filesystem;

namespace corvane {

namespace {

constexpr unsigned maxThreads = 8;

bool isUnder(const fs::path& path, const fs::path& root)
{
    const std::string& text = path.native();
    const std::string& prefix = root.native();
    return !prefix.empty() && text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0
           && text[prefix.size()] == '/';
}

WallTime modificationTime(const struct stat& info)
{
    return WallTime::fromUnixSeconds(static_cast<double>(info.st_mtim.tv_sec)
                                     + static_cast<double>(info.st_mtim.tv_nsec) / 1e9);
}

// Nothing was added since the last read, so the file needs no opening.
bool unchangedSince(const std::optional<TailState>& tail, const struct stat& info)
{
    return tail && !tail->skipping && tail->inode == static_cast<std::uint64_t>(info.st_ino)
           && tail->size == static_cast<std::uint64_t>(info.st_size) && tail->offset == tail->size;
}

template <typename Map>
std::optional<typename Map::mapped_type> lookup(const Map& map, const std::string& key)
{
    auto found = map.find(key);
    if (found == map.end())
        return std::nullopt;
    return found->second;
}

// The bytes from the first line to the end of the last, which one read
// holds one after another.
std::string_view span(std::span<const std::string_view> lines)
{
    if (lines.empty())
        return {};
    const char* begin = lines.front().data();
    return {begin, static_cast<std::size_t>(lines.back().data() + lines.back().size() - begin)};
}

void accumulate(UsageIndexStats& into, const UsageIndexStats& more)
{
    into.files += more.files;
    into.parsedLines += more.parsedLines;
    into.skippedLines += more.skippedLines;
}

}  // namespace

// The files of a pass, taken by its threads in the order they were given,
// while the walk that finds them may still go on.
class UsageIndexer::FileFeed {
public:
    void add(TranscriptFile file)
    {
        {
            std::lock_guard lock(mutex_);
            files_.push_back(std::move(file));
        }
        ready_.notify_one();
    }

    void close()
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

    // The next file, once it is given; none when the feed is closed and
    // every file was taken.
    const TranscriptFile* next()
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return taken_ < files_.size() || closed_; });
        return taken_ < files_.size() ? &files_[taken_++] : nullptr;
    }

    // How many threads can share the files: all when more may come.
    unsigned sharers(unsigned threads) const
    {
        std::lock_guard lock(mutex_);
        return closed_ ? static_cast<unsigned>(std::clamp<std::size_t>(files_.size(), 1, threads)) : threads;
    }

    // Every file given, once the feed is closed.
    const std::deque<TranscriptFile>& files() const { return files_; }

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<TranscriptFile> files_;  // a deque: taken files stay where they are
    std::size_t taken_ = 0;
    bool closed_ = false;
};

// One thread's share of a pass: its own parsers and read buffer, reused
// from file to file.
class UsageIndexer::Worker {
public:
    explicit Worker(UsageIndexer& owner) : owner_(owner) {}

    // Whether the file had anything new.
    bool index(const TranscriptFile& file, UsageIndexStats& stats)
    {
        struct stat info {};
        if (::stat(file.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        const std::string& key = file.path.native();
        std::optional<TailState> tail;
        std::optional<CodexParser::State> codexState;
        std::optional<SessionFile> known;
        ++stats.files;
        {
            std::lock_guard lock(owner_.mutex_);
            tail = lookup(owner_.states_.tails, key);
            auto session = owner_.sessionFiles_.find(key);
            // Most files of a pass have nothing new: one lock and no copies.
            if (session != owner_.sessionFiles_.end() && unchangedSince(tail, info)) {
                session->second.lastWrite = modificationTime(info);
                owner_.finishFile();
                return false;
            }
            if (file.agent == AgentKind::codex)
                codexState = lookup(owner_.states_.codex, key);
            if (session != owner_.sessionFiles_.end())
                known = session->second;
        }

        SessionFile session = known.value_or(SessionFile{});
        session.agent = file.agent;
        session.lastWrite = modificationTime(info);
        if (file.agent == AgentKind::claudeCode && !known) {
            auto project = TranscriptCatalog::project(key, owner_.resolver());
            session.project = std::move(project.name);
            session.folder = std::move(project.folder);
        }
        CodexParser::State codex = codexState.value_or(CodexParser::State{});
        const WallTime cutoff = owner_.cutoff();
        bool changed = false;
        const CodexParser::State* storedCodex = file.agent == AgentKind::codex ? &codex : nullptr;
        const FileDescriptor opened = JSONLTailer::open(file.path);
        for (;;) {
            auto view = JSONLTailer::readInto(opened, tail, readBytes, buffer_);
            changed = changed || view.state != tail.value_or(TailState{});
            readLines(view.lines, file.agent, key, session, codex, cutoff, stats);
            bool advanced = view.state.offset != tail.value_or(TailState{}).offset;
            tail = view.state;
            if (!view.more || !advanced)
                break;
            // Inside a file the other threads never wait on each other: while
            // the store is busy the records wait, to go in with a later position.
            if (std::unique_lock lock(owner_.mutex_, std::try_to_lock); lock.owns_lock())
                commitLocked(key, *tail, storedCodex);
        }
        if (file.agent == AgentKind::codex && codex.cwd) {
            session.project = lastPathComponent(*codex.cwd);
            session.folder = fs::path(*codex.cwd);
        }
        std::lock_guard lock(owner_.mutex_);
        commitLocked(key, *tail, storedCodex);
        owner_.sessionFiles_[key] = std::move(session);
        owner_.finishFile();
        return changed;
    }

private:
    void commitLocked(const std::string& key, const TailState& tail, const CodexParser::State* codex)
    {
        owner_.commitLocked(key, tail, codex, {batch_.data(), batched_}, {keys_.data(), batched_});
        batched_ = 0;
    }

    void readLines(std::span<const std::string_view> lines, AgentKind agent, const std::string& path, SessionFile& session,
                   CodexParser::State& codex, WallTime cutoff, UsageIndexStats& stats)
    {
        std::optional<std::string_view> project;
        if (session.project)
            project = *session.project;
        std::optional<std::string> branch;
        // Claude lines are searched in one pass over the read; Codex lines
        // are mostly settled by their first bytes.
        LineScreen screen(ClaudeCodeParser::needles(), agent == AgentKind::claudeCode ? span(lines) : std::string_view());
        // The last Claude line whose call waits in the batch, as `keptCall_`:
        // its copies bill nothing more but a higher output count. Its bytes
        // stay in the read buffer while the lines are read.
        std::optional<ClaudeCodeParser::BilledLine> kept;
        // The last Codex count line, whose copy right after it only moves
        // the limits on.
        std::optional<CodexParser::CountLine> keptCount;
        for (std::string_view line : lines) {
            if (!LineFilter::accepts(line)) {
                ++stats.skippedLines;
                continue;
            }
            if (agent == AgentKind::codex ? !CodexParser::screens(line) : !screen.holdsNeedle(line))
                continue;
            if (auto copy = kept ? ClaudeCodeParser::copyOf(*kept, line) : std::nullopt) {
                ++stats.parsedLines;
                if (copy->output && *copy->output > keptCall_.usage.output)
                    addCopy(*copy, cutoff);
                continue;
            }
            if (keptCount && CodexParser::readCopy(*keptCount, line, codex))
                continue;
            UsageRecord& record = nextRecord();
            bool billed = false;
            if (agent == AgentKind::codex) {
                billed = codex_.parseInto(PaddedLine{line}, codex, Screening::passed, record);
                keptCount = codex_.lastCount();
                if (auto named = codex_.lastWasSessionMeta() ? GitBranchSniffer::branch(line, agent) : std::nullopt)
                    branch = std::move(named);
            } else {
                billed = claude_.parseInto(PaddedLine{line}, project, Screening::passed, record);
            }
            if (!billed)
                continue;
            ++stats.parsedLines;
            if (record.timestamp < cutoff)
                continue;
            // Hashed here rather than under the indexer's lock.
            const std::uint64_t key = usageRecordKey(record.id);
            if (agent == AgentKind::claudeCode && claude_.lastBilled()) {
                kept = claude_.lastBilled();
                keptCall_ = record;
                keptKey_ = key;
            }
            batchRecord(key);
        }
        if (agent == AgentKind::claudeCode)
            branch = lastClaudeBranch(lines);
        if (branch)
            session.branch = GitBranchSniffer::sessionBranch(path, std::move(branch));
    }

    UsageRecord& nextRecord() { return batched_ < batch_.size() ? batch_[batched_] : batch_.emplace_back(); }

    // Takes the record at `nextRecord()` into the batch.
    void batchRecord(std::uint64_t key)
    {
        if (keys_.size() == batched_)
            keys_.emplace_back();
        keys_[batched_++] = key;
    }

    // A copy of the kept call with more output: the call as the store
    // should now keep it.
    void addCopy(const ClaudeCodeParser::Copy& copy, WallTime cutoff)
    {
        UsageRecord& record = nextRecord();
        record = keptCall_;
        if (!ClaudeCodeParser::applyCopy(copy, record) || record.timestamp < cutoff)
            return;
        keptCall_.timestamp = record.timestamp;
        keptCall_.usage = record.usage;
        batchRecord(keptKey_);
    }

    // Claude writes the branch on every line: the last one that names it
    // wins, so the search runs from the end and usually stops at once.
    static std::optional<std::string> lastClaudeBranch(std::span<const std::string_view> lines)
    {
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            if (auto branch = GitBranchSniffer::branch(*line, AgentKind::claudeCode))
                return branch;
        }
        return std::nullopt;
    }

    UsageIndexer& owner_;
    ClaudeCodeParser claude_;
    CodexParser codex_;
    TailBuffer buffer_;
    // The first `batched_` records wait for the next commit. The records
    // stay when committed, so their strings keep their storage and a pass
    // allocates next to nothing per call.
    std::vector<UsageRecord> batch_;
    std::vector<std::uint64_t> keys_;  // the waiting records' keys
    std::size_t batched_ = 0;
    UsageRecord keptCall_;  // see readLines
    std::uint64_t keptKey_ = 0;
};

UsageIndexer::UsageIndexer(Options options)
    : options_(std::move(options)), aggregator_(std::make_unique<UsageAggregator>())
{
    load();
}

UsageIndexer::~UsageIndexer() = default;

WallTime UsageIndexer::cutoff() const
{
    return options_.clock->now().plusSeconds(-retention);
}

TranscriptProjectResolver& UsageIndexer::resolver() const
{
    return options_.resolver != nullptr ? *options_.resolver : TranscriptProjectResolver::shared();
}

void UsageIndexer::load()
{
    if (!options_.storePath)
        return;
    const WallTime now = options_.clock->now();
    storeFile_.emplace(*options_.storePath, UsageSnapshot::maxBytes);
    recordsPath_ = UsageRecordsFile::pathFor(*options_.storePath);

    auto snapshot = loadUsageSnapshot(*storeFile_, now, options_.calendar);
    storeLoad_.snapshot = snapshot.status;
    std::error_code error;
    const bool recordsExist = fs::exists(*recordsPath_, error);
    auto records = UsageRecordsFile::load(*recordsPath_, cutoff(),
                                          [this](UsageRecord&& record) { aggregator_->add(record); });
    if (records)
        storeLoad_.records = *records;

    // Positions are only worth keeping while the records read before them are intact.
    const bool recordsLost = !records || records->damagedFile()
                             || (!recordsExist && snapshot.status == SnapshotLoad::restored);
    if (recordsLost) {
        aggregator_ = std::make_unique<UsageAggregator>();
        if (records && records->damagedFile())
            (void)quarantineFile(*recordsPath_, now, options_.calendar);
    }
    storeLoad_.rereading = recordsLost || snapshot.status != SnapshotLoad::restored;
    if (!recordsLost)
        states_ = std::move(snapshot.snapshot);
}

std::optional<AgentKind> UsageIndexer::agentOf(const fs::path& path) const
{
    if (path.extension() != ".jsonl")
        return std::nullopt;
    if (isUnder(path, options_.roots.claude))
        return AgentKind::claudeCode;
    if (isUnder(path, options_.roots.codex))
        return AgentKind::codex;
    return std::nullopt;
}

void UsageIndexer::commitLocked(const std::string& key, const TailState& tail, const CodexParser::State* codex,
                                std::span<UsageRecord> batch, std::span<const std::uint64_t> keys)
{
    aggregator_->addAll(batch, keys, [this](UsageRecord& record) {
        if (storeFile_)
            unsaved_.push_back(std::move(record));
    });
    states_.tails[key] = tail;
    if (codex != nullptr)
        states_.codex[key] = *codex;
}

void UsageIndexer::finishFile()
{
    if (++filesSinceSave_ % saveEveryFiles == 0 && !unsaved_.empty())
        (void)saveLocked();
}

UsageIndexPass UsageIndexer::run(FileFeed& feed)
{
    const auto started = std::chrono::steady_clock::now();
    filesSinceSave_ = 0;

    unsigned threads = options_.threads != 0 ? options_.threads : std::thread::hardware_concurrency();
    threads = feed.sharers(std::clamp<unsigned>(threads, 1, maxThreads));

    std::vector<UsageIndexStats> stats(threads);
    std::vector<std::vector<fs::path>> changed(threads);
    auto work = [&](unsigned share) {
        Worker worker(*this);
        while (const TranscriptFile* file = feed.next()) {
            if (worker.index(*file, stats[share]))
                changed[share].push_back(file->path);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned share = 1; share < threads; ++share)
        helpers.emplace_back(work, share);
    work(0);
    for (auto& helper : helpers)
        helper.join();

    UsageIndexPass result;
    for (unsigned share = 0; share < threads; ++share) {
        accumulate(result.stats, stats[share]);
        result.changed.insert(result.changed.end(), changed[share].begin(), changed[share].end());
    }
    std::sort(result.changed.begin(), result.changed.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    std::lock_guard lock(mutex_);
    accumulate(stats_, result.stats);
    result.records = static_cast<std::int64_t>(aggregator_->count());
    result.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    return result;
}

UsageIndexPass UsageIndexer::indexAll()
{
    std::lock_guard onePass(passMutex_);
    FileFeed feed;
    UsageIndexPass pass;
    {
        // The first files are read while the walk goes on.
        std::jthread walk([&] {
            TranscriptCatalog::find(options_.roots, [&](TranscriptFile file) { feed.add(std::move(file)); });
            feed.close();
        });
        pass = run(feed);
    }
    std::lock_guard lock(mutex_);
    // Transcripts that are gone keep no position.
    std::unordered_set<std::string_view> present;
    for (const auto& file : feed.files())
        present.insert(file.path.native());
    std::erase_if(states_.tails, [&](const auto& entry) { return !present.contains(entry.first); });
    std::erase_if(states_.codex, [&](const auto& entry) { return !present.contains(entry.first); });
    std::erase_if(sessionFiles_, [&](const auto& entry) { return !present.contains(entry.first); });
    (void)saveLocked();
    return pass;
}

std::vector<fs::path> UsageIndexer::index(const std::vector<fs::path>& paths)
{
    std::vector<TranscriptFile> files;
    for (const auto& given : paths) {
        fs::path path = TranscriptCatalog::canonical(given);
        if (auto agent = agentOf(path))
            files.push_back({std::move(path), *agent});
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    files.erase(std::unique(files.begin(), files.end()), files.end());
    std::lock_guard onePass(passMutex_);
    FileFeed feed;
    for (auto& file : files)
        feed.add(std::move(file));
    feed.close();
    return run(feed).changed;
}

Result<void> UsageIndexer::save()
{
    std::lock_guard lock(mutex_);
    return saveLocked();
}

Result<void> UsageIndexer::saveLocked()
{
    if (!storeFile_)
        return {};
    if (auto folder = createDirectories(recordsPath_->parent_path()); !folder)
        return folder;
    std::error_code error;
    if (!unsaved_.empty() || !fs::exists(*recordsPath_, error)) {
        if (auto appended = UsageRecordsFile::append(*recordsPath_, unsaved_); !appended)
            return appended;
        unsaved_.clear();
    }
    aggregator_->prune(cutoff());
    return storeFile_->save(states_.toJson());
}

std::map<fs::path, SessionFile> UsageIndexer::sessionFiles(const std::vector<fs::path>& paths) const
{
    std::lock_guard lock(mutex_);
    std::map<fs::path, SessionFile> found;
    for (const auto& path : paths) {
        if (auto entry = sessionFiles_.find(TranscriptCatalog::canonical(path).native()); entry != sessionFiles_.end())
            found.emplace(path, entry->second);
    }
    return found;
}

std::map<fs::path, SessionFile> UsageIndexer::sessionFilesSnapshot() const
{
    std::lock_guard lock(mutex_);
    return {sessionFiles_.begin(), sessionFiles_.end()};
}

std::vector<fs::path> UsageIndexer::transcripts(const std::set<std::string>& sessionIDs) const
{
    std::lock_guard lock(mutex_);
    std::vector<fs::path> found;
    for (const auto& [path, session] : sessionFiles_) {
        if (sessionIDs.contains(TranscriptCatalog::sessionID(path)))
            found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::optional<ProviderUsage> UsageIndexer::latestCodexLimits() const
{
    std::lock_guard lock(mutex_);
    const CodexParser::State* newest = nullptr;
    for (const auto& [path, state] : states_.codex) {
        if (state.limitsAt && !state.limits.empty() && (newest == nullptr || *state.limitsAt > *newest->limitsAt))
            newest = &state;
    }
    return newest != nullptr ? newest->rateLimits(AIProviderID::codex) : std::nullopt;
}

UsageIndexStats UsageIndexer::stats() const
{
    std::lock_guard lock(mutex_);
    return stats_;
}

std::size_t UsageIndexer::waitingRecords() const
{
    std::lock_guard lock(mutex_);
    return unsaved_.size();
}

}  // namespace corvane
