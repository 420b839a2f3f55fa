#include "core/base/ProcessRunner.h"

// Implementation notes:
// - posix_spawn with its file actions does all the work in the child: the
//   pipes are created close-on-exec, dup2 puts them on 0, 1 and 2, and
//   closefrom(3) drops whatever other descriptor the program left
//   inheritable. The child gets a fresh signal mask and default handlers, so
//   an ignored SIGPIPE in this process does not leak into it.
// - One poll() waits on the output pipes, the input pipe, the cancellation
//   eventfd and a pidfd of the child, so exit, output and cancel all wake
//   the loop at once. Without a pidfd or eventfd the loop falls back to
//   short waits.
// - After the child exits, its output is read until end of file, but a
//   background grandchild that keeps the pipe open is waited for only
//   briefly.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include "core/base/FileDescriptor.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr auto outputLinger = std::chrono::milliseconds(200);
constexpr auto fallbackSlice = std::chrono::milliseconds(20);
constexpr const char* defaultSearchPath = "/usr/local/bin:/usr/bin:/bin";

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

Result<Pipe> makePipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return fail(Error::fromErrno("create pipe", {}));
    return Pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
}

bool isExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string searchPathOf(const std::vector<std::string>& environment)
{
    for (const auto& entry : environment) {
        if (entry.starts_with("PATH="))
            return entry.substr(5);
    }
    return defaultSearchPath;
}

bool hasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

Result<void> validate(const ProcessRequest& request)
{
    auto invalid = [&](const char* what) { return fail(Error::make(Error::Code::Invalid, "run", request.program + ": " + what)); };
    if (request.program.empty() || hasNul(request.program))
        return invalid("bad program name");
    if (std::any_of(request.arguments.begin(), request.arguments.end(), hasNul))
        return invalid("an argument contains NUL");
    for (const auto& [name, value] : request.environment.set) {
        if (name.empty() || name.find('=') != std::string::npos || hasNul(name) || hasNul(value))
            return invalid("bad environment variable");
    }
    if (hasNul(request.workingFolder))
        return invalid("bad working folder");
    return {};
}

Result<void> checkFolder(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return fail(Error::fromErrno("open working folder", folder));
    if (!S_ISDIR(info.st_mode))
        return fail(Error::fromErrno("open working folder", folder, ENOTDIR));
    return {};
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (auto& text : strings)
        out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

struct SpawnedChild {
    pid_t pid = -1;
    FileDescriptor input;  // invalid when the child reads /dev/null
    FileDescriptor output;
    FileDescriptor error;
};

Result<SpawnedChild> spawnChild(const std::string& path, const ProcessRequest& request,
                                std::vector<std::string> environment)
{
    auto output = makePipe();
    if (!output)
        return fail(output.error());
    auto error = makePipe();
    if (!error)
        return fail(error.error());
    Pipe input;
    if (!request.standardInput.empty()) {
        auto made = makePipe();
        if (!made)
            return fail(made.error());
        input = std::move(*made);
        // Writes must not block the loop when the child reads slowly.
        ::fcntl(input.write.get(), F_SETFL, O_NONBLOCK);
    }

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (input.read.valid())
        ::posix_spawn_file_actions_adddup2(&actions, input.read.get(), STDIN_FILENO);
    else
        ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, output->write.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, error->write.get(), STDERR_FILENO);
    if (!request.workingFolder.empty())
        ::posix_spawn_file_actions_addchdir_np(&actions, request.workingFolder.c_str());
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    ::sigemptyset(&signals);
    ::posix_spawnattr_setsigmask(&attributes, &signals);
    ::sigfillset(&signals);
    ::posix_spawnattr_setsigdefault(&attributes, &signals);

    std::vector<std::string> argumentStrings;
    argumentStrings.reserve(request.arguments.size() + 1);
    argumentStrings.push_back(request.program);
    argumentStrings.insert(argumentStrings.end(), request.arguments.begin(), request.arguments.end());
    auto argv = pointers(argumentStrings);
    auto envp = pointers(environment);

    SpawnedChild child;
    int status = ::posix_spawn(&child.pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    if (status != 0)
        return fail(Error::fromErrno("run", request.program, status));
    // The child's ends close here, so end of file arrives when it is done.
    child.input = std::move(input.write);
    child.output = std::move(output->read);
    child.error = std::move(error->read);
    return child;
}

bool groupHasMembers(pid_t group) { return ::kill(-group, 0) == 0 || errno == EPERM; }

// SIGTERM to every group, up to `graceSeconds` for them to empty, then
// SIGKILL to what is left. `reap` runs between checks so that a parent can
// collect its child, whose zombie would otherwise keep the group alive.
void stopGroups(const std::vector<pid_t>& groups, double graceSeconds, const std::function<void()>& reap)
{
    for (pid_t group : groups)
        ::kill(-group, SIGTERM);
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(graceSeconds));
    for (;;) {
        if (reap)
            reap();
        if (std::none_of(groups.begin(), groups.end(), groupHasMembers))
            return;
        if (Clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (pid_t group : groups) {
        if (groupHasMembers(group))
            ::kill(-group, SIGKILL);
    }
}

// The end of one child: its wait status, or the errno when it could not be
// collected (someone else reaped it).
struct Reaped {
    int status = 0;
    int error = 0;
};

std::optional<Reaped> reap(pid_t pid, int options)
{
    for (;;) {
        int status = 0;
        pid_t got = ::waitpid(pid, &status, options);
        if (got == pid)
            return Reaped{status, 0};
        if (got == 0)
            return std::nullopt;
        if (errno != EINTR)
            return Reaped{0, errno};
    }
}

ProcessExit exitOf(int status)
{
    if (WIFSIGNALED(status))
        return ProcessExit::signalled(WTERMSIG(status));
    return ProcessExit::exited(WEXITSTATUS(status));
}

// A child that stops reading makes a write fail with EPIPE and also raises
// SIGPIPE, which would end the whole program. Keep it blocked in this thread
// while feeding the child and take back any that was raised.
class PipeSignalBlock {
public:
    PipeSignalBlock()
    {
        ::sigemptyset(&pipeSignal_);
        ::sigaddset(&pipeSignal_, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &pipeSignal_, &previous_);
    }
    ~PipeSignalBlock() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    PipeSignalBlock(const PipeSignalBlock&) = delete;
    PipeSignalBlock& operator=(const PipeSignalBlock&) = delete;

    void discardPending()
    {
        struct timespec zero {};
        while (::sigtimedwait(&pipeSignal_, nullptr, &zero) > 0) {
        }
    }

private:
    sigset_t pipeSignal_;
    sigset_t previous_;
};

struct Capture {
    FileDescriptor fd;
    std::string& text;
    std::size_t cap;
    bool& truncated;

    // Reads what is there; closes the descriptor at end of file.
    void drain()
    {
        char buffer[65536];
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                return;
            fd.reset();
            return;
        }
        if (got == 0) {
            fd.reset();
            return;
        }
        std::size_t room = cap > text.size() ? cap - text.size() : 0;
        std::size_t kept = std::min(room, static_cast<std::size_t>(got));
        text.append(buffer, kept);
        if (kept < static_cast<std::size_t>(got))
            truncated = true;
    }
};

// Feeds the child's standard input as fast as it reads, never blocking;
// closes the pipe once everything is written or the child stops reading.
class Feed {
public:
    Feed(FileDescriptor fd, std::string_view bytes) : fd_(std::move(fd)), bytes_(bytes)
    {
        if (fd_.valid())
            pipeSignalBlock_.emplace();
    }

    const FileDescriptor& fd() const { return fd_; }

    void push()
    {
        ssize_t put = ::write(fd_.get(), bytes_.data() + written_, bytes_.size() - written_);
        if (put > 0) {
            written_ += static_cast<std::size_t>(put);
        } else if (put < 0 && errno != EINTR && errno != EAGAIN) {
            // EPIPE: what the child read is all it gets.
            pipeSignalBlock_->discardPending();
            fd_.reset();
        }
        if (written_ == bytes_.size())
            fd_.reset();
    }

private:
    FileDescriptor fd_;
    std::string_view bytes_;
    std::size_t written_ = 0;
    std::optional<PipeSignalBlock> pipeSignalBlock_;
};

int millisecondsUntil(Clock::time_point moment)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now()).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, 60'000));
}

}  // namespace

struct CancellationToken::State {
    std::atomic<bool> cancelled{false};
    FileDescriptor event{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

CancellationToken::CancellationToken() : state_(std::make_shared<State>()) {}

void CancellationToken::cancel() const
{
    if (state_->cancelled.exchange(true))
        return;
    if (state_->event.valid()) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(state_->event.get(), &one, sizeof one);
    }
}

bool CancellationToken::isCancelled() const { return state_->cancelled.load(); }

int CancellationToken::waitDescriptor() const { return state_->event.get(); }

std::vector<std::string> buildEnvironment(const char* const* base, const EnvironmentChanges& changes)
{
    std::vector<std::string> out;
    if (changes.inherit && base != nullptr) {
        for (const char* const* entry = base; *entry != nullptr; ++entry) {
            std::string_view text(*entry);
            auto equals = text.find('=');
            if (equals == std::string_view::npos || equals == 0)
                continue;
            std::string name(text.substr(0, equals));
            if (changes.remove.contains(name) || changes.set.contains(name))
                continue;
            out.emplace_back(text);
        }
    }
    for (const auto& [name, value] : changes.set)
        out.push_back(name + "=" + value);
    return out;
}

Result<std::string> findProgram(const std::string& program, const std::string& searchPath)
{
    if (program.find('/') != std::string::npos) {
        struct stat info {};
        if (::stat(program.c_str(), &info) != 0)
            return fail(Error::fromErrno("find program", program));
        if (!isExecutableFile(program))
            return fail(Error::fromErrno("find program", program, EACCES));
        return program;
    }
    std::string_view rest = searchPath;
    for (;;) {
        auto colon = rest.find(':');
        std::string_view folder = rest.substr(0, colon);
        std::string candidate = (folder.empty() ? std::string(".") : std::string(folder)) + "/" + program;
        if (isExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return fail(Error::make(Error::Code::NotFound, "find program", program));
}

std::ostream& operator<<(std::ostream& out, const ProcessExit& exit)
{
    return out << (exit.kind == ProcessExit::Kind::Exited ? "exited(" : "signalled(") << exit.value << ")";
}

bool ChildRegistry::add(pid_t group)
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return false;
    groups_.insert(group);
    return true;
}

void ChildRegistry::remove(pid_t group)
{
    std::lock_guard lock(mutex_);
    groups_.erase(group);
}

std::vector<pid_t> ChildRegistry::running() const
{
    std::lock_guard lock(mutex_);
    return {groups_.begin(), groups_.end()};
}

bool ChildRegistry::isClosed() const
{
    std::lock_guard lock(mutex_);
    return closed_;
}

void ChildRegistry::terminateAll(double graceSeconds)
{
    std::vector<pid_t> groups;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        groups.assign(groups_.begin(), groups_.end());
    }
    // Their runners reap the leaders and unregister them meanwhile.
    stopGroups(groups, graceSeconds, {});
}

Result<ProcessOutput> ProcessRunner::run(const ProcessRequest& request) const
{
    if (auto valid = validate(request); !valid)
        return fail(valid.error());
    const CancellationToken* token = request.cancellation ? &*request.cancellation : nullptr;
    auto cancelled = [&] { return fail(Error::make(Error::Code::Cancelled, "run", request.program)); };
    if ((token != nullptr && token->isCancelled()) || registry_.isClosed())
        return cancelled();

    std::vector<std::string> environment = buildEnvironment(environ, request.environment);
    auto path = findProgram(request.program, searchPathOf(environment));
    if (!path)
        return fail(path.error());
    if (!request.workingFolder.empty()) {
        if (auto folder = checkFolder(request.workingFolder); !folder)
            return fail(folder.error());
    }

    auto start = Clock::now();
    auto spawned = spawnChild(*path, request, std::move(environment));
    if (!spawned)
        return fail(spawned.error());
    SpawnedChild& child = *spawned;
    const pid_t pid = child.pid;
    std::optional<Reaped> reaped;
    auto collect = [&] {
        if (!reaped)
            reaped = reap(pid, WNOHANG);
    };
    // Stops the whole group and collects the child; it is not registered
    // any more afterwards.
    auto stopChild = [&] {
        stopGroups({pid}, ChildRegistry::defaultGraceSeconds, collect);
        if (!reaped)
            reaped = reap(pid, 0);
        registry_.remove(pid);
    };
    if (!registry_.add(pid)) {
        stopChild();
        return cancelled();
    }
    // Through syscall(): the glibc header of pidfd_open lacks C linkage for C++.
    FileDescriptor exitWatch(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));

    ProcessOutput result;
    Capture captures[] = {
        {std::move(child.output), result.standardOutput, request.outputCap, result.outputTruncated},
        {std::move(child.error), result.standardError, request.errorCap, result.errorTruncated},
    };
    Feed input(std::move(child.input), request.standardInput);

    std::optional<Clock::time_point> deadline;
    if (request.timeoutSeconds)
        deadline = start + std::chrono::duration_cast<Clock::duration>(Seconds(*request.timeoutSeconds));
    std::optional<Clock::time_point> lingerUntil;
    enum class Stop { None, TimedOut, Cancelled } stop = Stop::None;

    for (;;) {
        collect();
        bool capturing = std::any_of(std::begin(captures), std::end(captures), [](const Capture& c) { return c.fd.valid(); });
        if (reaped) {
            if (!lingerUntil)
                lingerUntil = Clock::now() + outputLinger;
            if (!capturing || Clock::now() >= *lingerUntil)
                break;
        }

        std::vector<pollfd> watched;
        for (const auto& capture : captures) {
            if (capture.fd.valid())
                watched.push_back({capture.fd.get(), POLLIN, 0});
        }
        if (input.fd().valid())
            watched.push_back({input.fd().get(), POLLOUT, 0});
        bool slices = false;
        if (!reaped) {
            if (exitWatch.valid())
                watched.push_back({exitWatch.get(), POLLIN, 0});
            else
                slices = true;
            if (token != nullptr) {
                if (token->waitDescriptor() >= 0)
                    watched.push_back({token->waitDescriptor(), POLLIN, 0});
                else
                    slices = true;
            }
        }
        int wait = -1;
        if (reaped)
            wait = millisecondsUntil(*lingerUntil);
        else if (deadline)
            wait = millisecondsUntil(*deadline);
        if (slices)
            wait = wait < 0 ? static_cast<int>(fallbackSlice.count()) : std::min(wait, static_cast<int>(fallbackSlice.count()));

        int ready = ::poll(watched.data(), watched.size(), wait);
        if (ready < 0 && errno != EINTR) {
            stopChild();
            return fail(Error::fromErrno("wait for", request.program));
        }
        collect();  // an exit that raced the time-out still counts
        if (!reaped) {
            if (token != nullptr && token->isCancelled()) {
                stop = Stop::Cancelled;
                break;
            }
            if (deadline && Clock::now() >= *deadline) {
                stop = Stop::TimedOut;
                break;
            }
        }
        if (ready <= 0)
            continue;

        for (const auto& entry : watched) {
            if (entry.revents == 0)
                continue;
            for (auto& capture : captures) {
                if (capture.fd.valid() && capture.fd.get() == entry.fd)
                    capture.drain();
            }
            if (input.fd().valid() && input.fd().get() == entry.fd)
                input.push();
        }
    }

    if (stop != Stop::None) {
        stopChild();
        if (stop == Stop::TimedOut)
            return fail(Error::make(Error::Code::TimedOut, "run", request.program));
        return cancelled();
    }
    registry_.remove(pid);
    if (reaped->error != 0)
        return fail(Error::fromErrno("wait for", request.program, reaped->error));
    result.exit = exitOf(reaped->status);
    // terminateAll() stopped it because the program is quitting.
    if (result.exit.kind == ProcessExit::Kind::Signalled && registry_.isClosed())
        return cancelled();
    return result;
}

}  // namespace corvane
