#pragma once
// Reads every transcript into the usage store, incrementally: each file is
// read on from where the last pass stopped, so no transcript is ever read
// whole twice. Where reading stopped and what each Codex file said so far
// are saved in the store file; the records go to the appended records file
// beside it. Without a store file the indexer works in memory only and
// writes nothing (the usage command).
//
// A pass spreads the files over one thread per core, each with its own
// parsers and read buffer, which start on the first files while the walk
// still looks for the rest; a thread hands over what it read after every
// read of a file, under the indexer's lock, so the lock is held only for
// the store's bookkeeping. Passes run one at a time; queries may run
// alongside through `withAggregator`.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/agents/AgentKind.h"
#include "core/agents/CodexParser.h"
#include "core/agents/ProviderUsage.h"
#include "core/agents/TailState.h"
#include "core/agents/TranscriptCatalog.h"
#include "core/agents/UsageAggregator.h"
#include "core/agents/UsageRecordsFile.h"
#include "core/agents/UsageSnapshot.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

// What the indexer knows about one transcript.
struct SessionFile {
    AgentKind agent = AgentKind::claudeCode;
    std::optional<std::string> project;
    WallTime lastWrite = WallTime::distantPast();
    std::optional<std::string> branch;            // none for subagent transcripts
    std::optional<std::filesystem::path> folder;  // the project folder, when its encoded name resolved
    bool operator==(const SessionFile&) const = default;
};

struct UsageIndexStats {
    std::int64_t files = 0;         // transcripts examined
    std::int64_t parsedLines = 0;   // lines that billed a call, or repeated one that did
    std::int64_t skippedLines = 0;  // lines that are not JSON objects
    bool operator==(const UsageIndexStats&) const = default;
};

// One pass, for the statistics log line.
struct UsageIndexPass {
    UsageIndexStats stats;
    std::int64_t records = 0;  // calls in the store afterwards
    std::int64_t milliseconds = 0;
    std::vector<std::filesystem::path> changed;  // transcripts that had something new
};

// How the store was found when the indexer was created.
struct UsageStoreLoad {
    SnapshotLoad snapshot = SnapshotLoad::absent;
    UsageRecordsFile::Counts records;
    // Transcripts are read again from the start: the snapshot was not
    // restored, or the records behind its positions were damaged or missing.
    bool rereading = false;
};

class UsageIndexer {
public:
    static constexpr std::size_t readBytes = 4 * 1024 * 1024;
    static constexpr int saveEveryFiles = 64;
    static constexpr double retention = usageRetentionSeconds;

    struct Options {
        TranscriptRoots roots;
        // The snapshot file ("ai-index.json"); none keeps everything in memory.
        std::optional<std::filesystem::path> storePath;
        const Clock* clock = nullptr;  // required
        Calendar calendar = Calendar::utc();
        unsigned threads = 0;  // 0: one per core
        TranscriptProjectResolver* resolver = nullptr;  // the process-wide table when none
    };

    explicit UsageIndexer(Options options);
    ~UsageIndexer();
    UsageIndexer(const UsageIndexer&) = delete;
    UsageIndexer& operator=(const UsageIndexer&) = delete;

    const UsageStoreLoad& storeLoad() const { return storeLoad_; }

    // Every transcript under the roots; saves afterwards when records wait.
    UsageIndexPass indexAll();
    // The given transcripts (paths outside both roots are ignored); the
    // ones that had something new.
    std::vector<std::filesystem::path> index(const std::vector<std::filesystem::path>& paths);

    // Appends the waiting records, prunes, then rewrites the snapshot. A
    // failure keeps the records waiting for the next attempt.
    Result<void> save();

    std::map<std::filesystem::path, SessionFile> sessionFiles(const std::vector<std::filesystem::path>& paths) const;
    std::map<std::filesystem::path, SessionFile> sessionFilesSnapshot() const;
    // The transcripts of the sessions, subagent transcripts included.
    std::vector<std::filesystem::path> transcripts(const std::set<std::string>& sessionIDs) const;
    // The newest plan-limit reading any Codex transcript carried.
    std::optional<ProviderUsage> latestCodexLimits() const;
    UsageIndexStats stats() const;
    std::size_t waitingRecords() const;

    template <typename Body>
    decltype(auto) withAggregator(Body&& body) const
    {
        std::lock_guard lock(mutex_);
        return body(static_cast<const UsageAggregator&>(*aggregator_));
    }

private:
    class Worker;
    class FileFeed;

    void load();
    // Under the pass lock: indexes the feed's files until it runs dry.
    UsageIndexPass run(FileFeed& feed);
    // Under the lock: takes the batch's records, whose keys are given, into
    // the store and moves the file's positions on.
    void commitLocked(const std::string& key, const TailState& tail, const CodexParser::State* codex,
                      std::span<UsageRecord> batch, std::span<const std::uint64_t> keys);
    // Under the lock: every 64th file of a pass saves while records wait.
    void finishFile();
    Result<void> saveLocked();
    std::optional<AgentKind> agentOf(const std::filesystem::path& path) const;
    WallTime cutoff() const;
    TranscriptProjectResolver& resolver() const;

    Options options_;
    std::optional<JsonStoreFile> storeFile_;
    std::optional<std::filesystem::path> recordsPath_;
    UsageStoreLoad storeLoad_;

    std::mutex passMutex_;  // one pass at a time
    mutable std::mutex mutex_;
    std::unique_ptr<UsageAggregator> aggregator_;  // replaced whole when the records file is damaged
    UsageSnapshot states_;  // tails and Codex states by canonical path
    // By the path's text: an incremental pass looks up every transcript, and
    // comparing paths component by component cost more than the stat.
    std::unordered_map<std::string, SessionFile> sessionFiles_;
    std::vector<UsageRecord> unsaved_;
    UsageIndexStats stats_;
    std::int64_t filesSinceSave_ = 0;
};

}  // namespace corvane
