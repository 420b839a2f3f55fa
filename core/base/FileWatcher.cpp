#include "core/base/FileWatcher.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/Log.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

const Logger logger("watcher");

constexpr std::uint32_t treeMask = IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE_SELF
                                   | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;
// A parent of a root that does not exist yet: only the root's appearance matters.
constexpr std::uint32_t parentMask = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// The folder was removed, or replaced by a file, before it could be watched.
bool gone(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

bool isHidden(std::string_view name)
{
    return name.starts_with('.');
}

// d_type is not filled on every file system; lstat answers then. Links are
// never followed, so a link that loops back cannot make the walk circle.
bool isFolder(const fs::path& parent, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat info {};
    return ::lstat((parent / entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

// The watches of every root and what their events mean; lives on the watcher's thread.
class FileWatcher::Tree {
public:
    Tree(int inotify, const std::vector<Root>& roots, std::atomic<bool>& limited, std::string name)
        : inotify_(inotify)
        , roots_(roots)
        , limited_(limited)
        , name_(std::move(name))
    {
        for (std::size_t root = 0; root < roots_.size(); ++root)
            attach(static_cast<int>(root), nullptr);
    }

    // Folds one event into the batch.
    void handle(const inotify_event& event, Changes& batch)
    {
        if (event.mask & IN_Q_OVERFLOW) {
            batch.everything = true;
            // Folders created while events were lost have no watch yet, and a
            // root may have come or gone unseen.
            for (int root = 0; root < static_cast<int>(roots_.size()); ++root) {
                if (attachedRoots_.contains(root) && fs::is_directory(roots_[root].path))
                    watchTree(roots_[root].path, 0, root, nullptr);
                else
                    reattach(root, batch);
            }
            return;
        }
        auto found = watches_.find(event.wd);
        if (found == watches_.end())
            return;
        Watch watch = found->second;

        if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
            // The folder went away; a root falls back to waiting on its parent.
            forget(event.wd, (event.mask & IN_IGNORED) == 0);
            if (watch.root >= 0 && watch.level == 0)
                reattach(watch.root, batch);
            for (int root : watch.waitingRoots)
                reattach(root, batch);
            return;
        }
        if (!watch.waitingRoots.empty()) {
            // Something appeared in a parent: perhaps the root or a folder on its way.
            for (int root : watch.waitingRoots)
                reattach(root, batch);
            if (watch.root < 0)
                return;
        }
        if (event.len == 0 || isHidden(event.name) || watch.root < 0)
            return;
        fs::path path = watch.path / event.name;
        if (event.mask & IN_ISDIR) {
            if ((event.mask & (IN_CREATE | IN_MOVED_TO)) && watch.level < roots_[watch.root].depth)
                watchTree(path, watch.level + 1, watch.root, &batch.files);
            return;
        }
        batch.files.push_back(std::move(path));
    }

private:
    struct Watch {
        fs::path path;
        int root = -1;  // the root whose tree holds the folder; -1 for a parent only waited on
        int level = 0;
        std::vector<int> waitingRoots;  // roots that do not exist yet and wait here
    };

    void reattach(int root, Changes& batch)
    {
        // A root made again before its removal was read exists but has lost
        // its watch with the old folder.
        if (watched(root) && fs::is_directory(roots_[root].path))
            return;
        attachedRoots_.erase(root);
        if (attach(root, &batch.files))
            batch.everything = true;
    }

    bool watched(int root) const
    {
        return std::any_of(watches_.begin(), watches_.end(),
                           [root](const auto& entry) { return entry.second.root == root && entry.second.level == 0; });
    }

    // Watches the root when it exists (true), else its nearest existing parent.
    bool attach(int root, std::vector<fs::path>* found)
    {
        const fs::path& path = roots_[root].path;
        std::error_code error;
        for (;;) {
            if (fs::is_directory(path, error)) {
                int failure = watchTree(path, 0, root, found);
                if (failure == 0) {
                    dropWaiting(root);
                    attachedRoots_.insert(root);
                    return true;
                }
                if (!gone(failure))
                    return false;  // past the watch limit: the owner's periodic look covers it
                continue;
            }
            // Watches left from the root's old tree (their removal may have
            // been lost with an overflow, or the tree moved elsewhere) must
            // not pass for the root's.
            forgetTree(root);
            fs::path parent = path.parent_path();
            while (!parent.empty() && !fs::is_directory(parent, error) && parent != parent.parent_path())
                parent = parent.parent_path();
            int wd = ::inotify_add_watch(inotify_, parent.c_str(), parentMask | IN_MASK_ADD);
            // The parent went away meanwhile: look again for one that exists.
            if (wd < 0 && gone(errno) && parent != parent.parent_path())
                continue;
            if (wd < 0) {
                noteFailure(parent, errno);
                return false;
            }
            dropWaiting(root, wd);
            Watch& watch = watches_[wd];
            if (watch.path.empty())
                watch.path = parent;
            if (std::find(watch.waitingRoots.begin(), watch.waitingRoots.end(), root) == watch.waitingRoots.end())
                watch.waitingRoots.push_back(root);
            // The next folder on the way, made before the watch existed, sends
            // no event: wait on it instead.
            fs::path next = parent / *path.lexically_relative(parent).begin();
            if (!fs::is_directory(next, error))
                return false;
        }
    }

    // Stops waiting for the root on parents other than `keep`.
    void dropWaiting(int root, int keep = -1)
    {
        for (auto it = watches_.begin(); it != watches_.end();) {
            auto& waiting = it->second.waitingRoots;
            if (it->first != keep)
                std::erase(waiting, root);
            if (waiting.empty() && it->second.root < 0) {
                ::inotify_rm_watch(inotify_, it->first);
                it = watches_.erase(it);
            } else {
                ++it;
            }
        }
    }

    void forgetTree(int root)
    {
        for (auto it = watches_.begin(); it != watches_.end();) {
            if (it->second.root == root) {
                ::inotify_rm_watch(inotify_, it->first);
                it = watches_.erase(it);
            } else {
                ++it;
            }
        }
    }

    void forget(int wd, bool removeWatch)
    {
        if (removeWatch)
            ::inotify_rm_watch(inotify_, wd);
        watches_.erase(wd);
    }

    // Watches the folder and the folders below it; with `found`, the files
    // already inside are reported too. Returns 0, or the errno of a folder
    // that got no watch.
    int watchTree(const fs::path& folder, int level, int root, std::vector<fs::path>* found)
    {
        int wd = ::inotify_add_watch(inotify_, folder.c_str(), treeMask);
        if (wd < 0) {
            int error = errno;
            noteFailure(folder, error);
            return error;
        }
        Watch& watch = watches_[wd];
        watch.path = folder;
        watch.root = root;
        watch.level = level;

        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            return 0;  // removed meanwhile (its removal is on the way), or not ours to read
        std::vector<fs::path> folders;
        while (const dirent* entry = ::readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == ".." || isHidden(name))
                continue;
            if (isFolder(folder, *entry)) {
                if (level < roots_[root].depth)
                    folders.push_back(folder / name);
            } else if (found != nullptr) {
                found->push_back(folder / name);
            }
        }
        ::closedir(dir);
        for (const fs::path& child : folders)
            watchTree(child, level + 1, root, found);
        return 0;
    }

    void noteFailure(const fs::path& folder, int error)
    {
        if (error == ENOSPC && !limited_.exchange(true))
            logger.warning("{}: the inotify watch limit is reached at {}; changes past it are found by the periodic "
                           "look only",
                           name_, folder.string());
        else if (!gone(error) && error != ENOSPC)
            logger.debug("{}: cannot watch {}: {}", name_, folder.string(), Error::fromErrno("watch", folder.string(), error).message());
    }

    int inotify_;
    const std::vector<Root>& roots_;
    std::atomic<bool>& limited_;
    std::string name_;
    std::map<int, Watch> watches_;
    std::set<int> attachedRoots_;
};

Result<std::unique_ptr<FileWatcher>> FileWatcher::start(Options options, Callback callback)
{
    FileDescriptor inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!inotify.valid())
        return fail(Error::fromErrno("inotify_init1", options.name));
    FileDescriptor wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake.valid())
        return fail(Error::fromErrno("eventfd", options.name));
    return std::unique_ptr<FileWatcher>(
        new FileWatcher(std::move(options), std::move(callback), std::move(inotify), std::move(wake)));
}

FileWatcher::FileWatcher(Options options, Callback callback, FileDescriptor inotify, FileDescriptor wake)
    : options_(std::move(options))
    , callback_(std::move(callback))
    , inotify_(std::move(inotify))
    , wake_(std::move(wake))
    // Watching starts before start() returns, so no change made after it is missed.
    , tree_(std::make_unique<Tree>(inotify_.get(), options_.roots, limited_, options_.name))
{
    thread_ = std::thread([this] { run(); });
}

FileWatcher::~FileWatcher()
{
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
    thread_.join();
}

void FileWatcher::run()
{
    using Clock = std::chrono::steady_clock;
    Changes batch;
    std::optional<Clock::time_point> due;
    // Room for many events per read; each is at most NAME_MAX + 1 bytes past its header.
    alignas(inotify_event) char buffer[64 * 1024];

    for (;;) {
        int timeout = -1;
        if (due) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
            timeout = static_cast<int>(std::max<decltype(left)>(0, left));
        }
        pollfd fds[2] = {{wake_.get(), POLLIN, 0}, {inotify_.get(), POLLIN, 0}};
        int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            for (;;) {
                ssize_t length = ::read(inotify_.get(), buffer, sizeof buffer);
                if (length <= 0)
                    break;
                for (char* at = buffer; at < buffer + length;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(at);
                    tree_->handle(*event, batch);
                    at += sizeof(inotify_event) + event->len;
                }
            }
            if (!due && (batch.everything || !batch.files.empty()))
                due = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(options_.latency));
        }
        if (due && Clock::now() >= *due) {
            std::sort(batch.files.begin(), batch.files.end());
            batch.files.erase(std::unique(batch.files.begin(), batch.files.end()), batch.files.end());
            callback_(batch);
            batch = {};
            due.reset();
        }
    }
}

}  // namespace corvane
