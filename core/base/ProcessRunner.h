#pragma once
// Runs a command-line tool to completion and hands back what it printed.
//
// The tool is started directly (never through a shell) in a process group of
// its own, so stopping it also stops whatever it started. Every running child
// is listed in a ChildRegistry; quitting the program calls terminateAll() so
// that no tool outlives it.

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

#include "core/base/Result.h"

namespace corvane {

// Lets another thread stop a running command. Copies share one state; the
// runner waits on a descriptor that becomes readable on cancel(), so a
// cancel wakes it at once.
class CancellationToken {
public:
    CancellationToken();

    // Safe from any thread; a second call changes nothing.
    void cancel() const;
    bool isCancelled() const;
    // Readable once cancelled; -1 when no descriptor was available, in which
    // case the runner checks isCancelled() between short waits.
    int waitDescriptor() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

// What the child's environment starts from, and what is changed in it.
struct EnvironmentChanges {
    bool inherit = true;  // start from this process's environment
    std::map<std::string, std::string> set;
    std::set<std::string> remove;
};

// The child's environment as "NAME=value" entries: `base` (a null-terminated
// list such as `environ`, used when inheriting), then removals, then
// overrides. Entries of `base` without "=" are dropped.
std::vector<std::string> buildEnvironment(const char* const* base, const EnvironmentChanges& changes);

// Where `program` runs from: itself when it contains "/", else the first
// executable file of that name along `searchPath` (":"-separated; an empty
// entry means the current folder).
Result<std::string> findProgram(const std::string& program, const std::string& searchPath);

struct ProcessRequest {
    std::string program;  // an absolute path, or a name looked up on the child's PATH
    std::vector<std::string> arguments;  // without argv[0]
    EnvironmentChanges environment;
    std::string workingFolder;            // empty: this process's current folder
    std::optional<double> timeoutSeconds;  // none: no limit
    std::optional<CancellationToken> cancellation;
    // Written to the child's standard input, which is then closed; with
    // nothing to write the child reads /dev/null.
    std::string standardInput;
    // Past a cap the child's further output is read and thrown away, so it
    // never stalls on a full pipe; the result says that it was cut.
    std::size_t outputCap = 4 * 1024 * 1024;
    std::size_t errorCap = 256 * 1024;
};

// How a child ended: its exit code, or the signal that ended it.
struct ProcessExit {
    enum class Kind { Exited, Signalled };
    Kind kind = Kind::Exited;
    int value = 0;  // the exit code or the signal number

    static ProcessExit exited(int code) { return {Kind::Exited, code}; }
    static ProcessExit signalled(int signal) { return {Kind::Signalled, signal}; }
    bool operator==(const ProcessExit&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ProcessExit& exit);

struct ProcessOutput {
    ProcessExit exit;
    std::string standardOutput;
    std::string standardError;
    bool outputTruncated = false;
    bool errorTruncated = false;

    bool succeeded() const { return exit == ProcessExit::exited(0); }
};

// The children running now, each the leader of its own process group.
class ChildRegistry {
public:
    static constexpr double defaultGraceSeconds = 1.0;

    // False once terminateAll() has run: the caller must stop the child itself.
    bool add(pid_t group);
    void remove(pid_t group);
    std::vector<pid_t> running() const;
    bool isClosed() const;

    // For quitting: refuses new children, sends SIGTERM to every registered
    // group, waits up to `graceSeconds` for the groups to empty, then sends
    // SIGKILL to what is left.
    void terminateAll(double graceSeconds = defaultGraceSeconds);

private:
    mutable std::mutex mutex_;
    std::set<pid_t> groups_;
    bool closed_ = false;
};

// Runs one command at a time per call; calls from several threads are fine.
class ProcessRunner {
public:
    explicit ProcessRunner(ChildRegistry& registry) : registry_(registry) {}

    // Blocks until the child ends, the time-out passes or the request is
    // cancelled. A stopped child gets SIGTERM, a short grace, then SIGKILL,
    // with everything in its process group. Errors: NotFound (no such
    // program or working folder), PermissionDenied, Invalid (a NUL in an
    // argument, a bad variable name), TimedOut, Cancelled (also when the
    // program is quitting), Io.
    Result<ProcessOutput> run(const ProcessRequest& request) const;

private:
    ChildRegistry& registry_;
};

}  // namespace corvane
