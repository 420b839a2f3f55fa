#pragma once
// The app's side of the closed-lid helper: one connection kept open while
// it is in use (the helper ends a hold when its owner's connection goes),
// one request at a time, each answered by the helper's status or by nothing
// when the helper is unreachable, refuses us, or does not answer in time.
// Renewing the lease on time is the caller's job.

#include <mutex>
#include <optional>
#include <string>

#include "closedlid/ClosedLidRecords.h"
#include "closedlid/LineChannel.h"
#include "core/base/FileDescriptor.h"
#include "core/base/Log.h"

namespace corvane {

class ClosedLidHelperClient {
public:
    static constexpr double defaultTimeoutSeconds = 10;

    explicit ClosedLidHelperClient(std::string socketPath, double timeoutSeconds = defaultTimeoutSeconds);

    std::optional<ClosedLidHelperStatus> hold(const LidHoldTerms& terms);
    std::optional<ClosedLidHelperStatus> renew();
    std::optional<ClosedLidHelperStatus> release();
    std::optional<ClosedLidHelperStatus> status();
    // Closes the connection; the helper then ends a hold this client owns.
    void disconnect();

private:
    std::optional<ClosedLidHelperStatus> send(const ClosedLidRequest& request);
    bool connectLocked();

    std::string socketPath_;
    double timeoutSeconds_;
    std::mutex mutex_;
    FileDescriptor socket_;
    LineBuffer buffer_{closedLidLineCap};
    Logger log_{"closedlid"};
};

}  // namespace corvane
