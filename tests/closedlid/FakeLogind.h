#pragma once
// A private dbus-daemon with a small stand-in for logind's manager on it:
// Inhibit hands out a pipe's write end as the lock, and ListInhibitors
// lists the locks whose write end is still open somewhere, with the pid of
// the caller that took them. Its LidClosed property reads what the test
// set; a change is announced with PropertiesChanged only when the test
// asks, since logind itself never announces it.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>
#include <systemd/sd-bus.h>

#include "core/base/FileDescriptor.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane::testing {

class FakeLogind {
public:
    struct Lock {
        std::string what, who, why, mode;
        std::uint32_t pid = 0;
    };

    FakeLogind();
    ~FakeLogind();
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    // Empty when the bus or the service could not be started.
    const std::string& address() const { return address_; }
    // The locks someone still holds.
    std::vector<Lock> held();
    // Sets LidClosed; with `announce`, PropertiesChanged goes out too.
    void setLidClosed(bool closed, bool announce);

private:
    struct Taken {
        Lock lock;
        FileDescriptor readEnd;
    };
    void serve(std::string address);
    static int inhibit(sd_bus_message* call, void* self, sd_bus_error* error);
    static int listInhibitors(sd_bus_message* call, void* self, sd_bus_error* error);
    static int lidClosed(sd_bus* bus, const char* path, const char* interface, const char* property,
                         sd_bus_message* reply, void* self, sd_bus_error* error);

    TemporaryFolder folder_;
    pid_t daemon_ = -1;
    std::string address_;
    std::mutex mutex_;
    std::vector<Taken> taken_;
    std::atomic<bool> lidClosed_{false};
    std::atomic<bool> announce_{false};  // sent by the serving thread, which owns the bus
    std::atomic<bool> stopping_{false};
    std::atomic<int> ready_{0};  // 1 serving, -1 failed
    std::thread thread_;
};

}  // namespace corvane::testing
