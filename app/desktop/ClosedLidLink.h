#pragma once
// The keep-awake module's line to the closed-lid helper. The launch check,
// every request to the helper and the install commands run on one serial
// queue, in the order asked: each may wait seconds for the helper or for the
// user at the password prompt. Answers come back on the main thread.

#include <functional>
#include <optional>
#include <string>

#include "closedlid/ClosedLidHelperClient.h"
#include "closedlid/ClosedLidHelperProbe.h"
#include "core/base/ProcessRunner.h"
#include "core/base/Scheduler.h"
#include "core/base/SerialQueue.h"
#include "core/keepawake/ClosedLidPaths.h"
#include "core/keepawake/HelperState.h"

namespace corvane::app {

class ClosedLidLink {
public:
    struct Options {
        std::string socketPath{ClosedLidPaths::socketPath};
        ClosedLidInstallation installation;
        std::string helperSHA256;  // empty: the one built with this app
        double timeoutSeconds = ClosedLidHelperClient::defaultTimeoutSeconds;
    };
    using Answer = std::function<void(std::optional<ClosedLidHelperStatus>)>;
    // A short line for the helper card, and the helper's state after the command.
    using Outcome = std::function<void(std::string line, HelperState state)>;

    ClosedLidLink(Options options, Scheduler& mainThread);
    // What is queued still goes out (a last release), then the connection
    // closes, so the helper lets go of anything left.
    ~ClosedLidLink();
    ClosedLidLink(const ClosedLidLink&) = delete;
    ClosedLidLink& operator=(const ClosedLidLink&) = delete;

    void probe(std::function<void(HelperState)> done);
    void hold(const LidHoldTerms& terms, Answer done);
    void renew(Answer done);
    void release(Answer done);
    // Installs (or replaces) the helper with root rights, then probes again.
    void install(const ProcessRunner& processes, Outcome done);
    void uninstall(const ProcessRunner& processes, Outcome done);

private:
    HelperState probeNow();
    void ask(std::function<std::optional<ClosedLidHelperStatus>(ClosedLidHelperClient&)> request, Answer done);
    // `command` is built on the queue: it hashes this program's executable.
    void runElevated(const ProcessRunner& processes, std::function<std::optional<std::string>()> command,
                     std::string doneLine, Outcome done);

    Options options_;
    ClosedLidHelperClient client_;
    SerialQueue queue_;
};

}  // namespace corvane::app
