#pragma once
// Watches folder trees for changed files and reports them in batches: the
// first change opens a batch, everything seen within `latency` after it is
// delivered together, so an agent appending a line every few milliseconds
// costs one delivery per latency, not one per write.
//
// Linux notes (inotify): one watch per folder, added for sub-folders as
// they appear (the files already inside a new folder are reported with it,
// since they may have been written before its watch existed). A root that
// does not exist yet is waited for on its nearest existing parent; when it
// appears, or when the kernel's queue overflowed (IN_Q_OVERFLOW), the batch
// says `everything`: the owner must look at all of it. When the per-user
// watch limit is reached the folders past it go unwatched; `limited()`
// tells the owner that its own periodic look is then the only one (logged
// once).

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/base/FileDescriptor.h"
#include "core/base/Result.h"

namespace corvane {

class FileWatcher {
public:
    struct Root {
        std::filesystem::path path;
        int depth = 8;  // folder levels watched below the root
    };

    struct Options {
        std::vector<Root> roots;
        double latency = 2.0;  // seconds from the first change to the delivery
        std::string name;      // for the log: "transcripts", "inbox"
    };

    struct Changes {
        std::vector<std::filesystem::path> files;  // changed files, sorted, each once
        bool everything = false;  // changes were lost or a root appeared: look at all of it
        bool operator==(const Changes&) const = default;
    };

    // Called on the watcher's own thread, one batch at a time.
    using Callback = std::function<void(const Changes&)>;

    // Starts watching on a thread of its own. Fails only when the kernel
    // refuses an inotify instance (the per-user limit); missing roots are
    // no failure.
    static Result<std::unique_ptr<FileWatcher>> start(Options options, Callback callback);

    // Stops the thread; no callback runs afterwards.
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Some folders could not be watched (the per-user watch limit).
    bool limited() const { return limited_.load(); }

private:
    class Tree;

    FileWatcher(Options options, Callback callback, FileDescriptor inotify, FileDescriptor wake);
    void run();

    Options options_;
    Callback callback_;
    FileDescriptor inotify_;
    FileDescriptor wake_;  // an eventfd that stops the thread
    std::atomic<bool> limited_{false};
    std::unique_ptr<Tree> tree_;  // used by the thread only, once it runs
    std::thread thread_;
};

}  // namespace corvane
