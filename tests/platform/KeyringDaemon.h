#pragma once
// A real Secret Service for tests: gnome-keyring-daemon with only its
// secrets component, serving a private bus, its keyrings in a folder of
// the test's own. Its login keyring is created and unlocked with a password
// given on standard input, so no prompt is ever shown.

#include <QProcess>
#include <QString>

#include "tests/core/base/TemporaryFolder.h"
#include "tests/platform/PrivateBus.h"

namespace corvane::testing {

class KeyringDaemon {
public:
    static constexpr char serviceName[] = "org.freedesktop.secrets";

    // Waits until the daemon owns the service name on `bus`.
    explicit KeyringDaemon(PrivateBus& bus);
    ~KeyringDaemon();
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;

    // False when the daemon is missing or did not come up; `failure` says why.
    bool isRunning() const { return failure_.isEmpty(); }
    const QString& failure() const { return failure_; }

private:
    TemporaryFolder folder_;
    QProcess daemon_;
    QString failure_;
};

}  // namespace corvane::testing
