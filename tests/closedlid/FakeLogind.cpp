#include "tests/closedlid/FakeLogind.h"
#include "tests/core/base/PrivateBusConfiguration.h"

#include <chrono>
#include <csignal>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <systemd/sd-bus.h>

extern char** environ;

namespace corvane::testing {

namespace {

bool stillOpen(int readEnd)
{
    pollfd entry{readEnd, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 0;
}

}  // namespace

FakeLogind::FakeLogind()
{
    std::ofstream(folder_ / "bus.conf") << privateBusConfiguration(folder_.path());
    int out[2];
    if (::pipe(out) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string config = "--config-file=" + (folder_ / "bus.conf").string();
    std::vector<std::string> arguments{"dbus-daemon", config, "--nofork", "--nopidfile", "--print-address=1"};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int spawned = ::posix_spawnp(&daemon_, "dbus-daemon", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FileDescriptor reader(out[0]);
    if (spawned != 0) {
        daemon_ = -1;
        return;
    }
    std::string printed;
    char c = 0;
    while (::read(reader.get(), &c, 1) == 1 && c != '\n')
        printed.push_back(c);
    if (printed.empty())
        return;
    thread_ = std::thread([this, printed] { serve(printed); });
    while (ready_ == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ready_ == 1)
        address_ = printed;
}

FakeLogind::~FakeLogind()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
}

std::vector<FakeLogind::Lock> FakeLogind::held()
{
    std::lock_guard lock(mutex_);
    std::vector<Lock> out;
    for (const auto& taken : taken_) {
        if (stillOpen(taken.readEnd.get()))
            out.push_back(taken.lock);
    }
    return out;
}

void FakeLogind::setLidClosed(bool closed, bool announce)
{
    lidClosed_ = closed;
    if (announce)
        announce_ = true;
}

int FakeLogind::lidClosed(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* self,
                          sd_bus_error*)
{
    return sd_bus_message_append(reply, "b", int(static_cast<FakeLogind*>(self)->lidClosed_.load()));
}

int FakeLogind::inhibit(sd_bus_message* call, void* self, sd_bus_error*)
{
    auto& fake = *static_cast<FakeLogind*>(self);
    const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
    if (int result = sd_bus_message_read(call, "ssss", &what, &who, &why, &mode); result < 0)
        return result;
    pid_t pid = 0;
    sd_bus_creds* creds = nullptr;
    if (sd_bus_query_sender_creds(call, SD_BUS_CREDS_PID, &creds) >= 0) {
        sd_bus_creds_get_pid(creds, &pid);
        sd_bus_creds_unref(creds);
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return -errno;
    {
        std::lock_guard lock(fake.mutex_);
        fake.taken_.push_back({Lock{what, who, why, mode, static_cast<std::uint32_t>(pid)}, FileDescriptor(ends[0])});
    }
    int result = sd_bus_reply_method_return(call, "h", ends[1]);
    ::close(ends[1]);  // the reply carries its own copy
    return result;
}

int FakeLogind::listInhibitors(sd_bus_message* call, void* self, sd_bus_error*)
{
    auto& fake = *static_cast<FakeLogind*>(self);
    sd_bus_message* reply = nullptr;
    int result = sd_bus_message_new_method_return(call, &reply);
    if (result >= 0)
        result = sd_bus_message_open_container(reply, 'a', "(ssssuu)");
    for (const auto& lock : fake.held()) {
        if (result >= 0)
            result = sd_bus_message_append(reply, "(ssssuu)", lock.what.c_str(), lock.who.c_str(), lock.why.c_str(),
                                           lock.mode.c_str(), 0u, lock.pid);
    }
    if (result >= 0)
        result = sd_bus_message_close_container(reply);
    if (result >= 0)
        result = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return result;
}

void FakeLogind::serve(std::string address)
{
    static const sd_bus_vtable vtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Inhibit", "ssss", "h", &FakeLogind::inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("ListInhibitors", "", "a(ssssuu)", &FakeLogind::listInhibitors, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_PROPERTY("LidClosed", "b", &FakeLogind::lidClosed, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
        SD_BUS_VTABLE_END,
    };
    sd_bus* bus = nullptr;
    bool ok = sd_bus_new(&bus) >= 0 && sd_bus_set_address(bus, address.c_str()) >= 0
        && sd_bus_set_bus_client(bus, 1) >= 0 && sd_bus_start(bus) >= 0
        && sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", vtable,
                                    this) >= 0
        && sd_bus_request_name(bus, "org.freedesktop.login1", 0) >= 0;
    ready_ = ok ? 1 : -1;
    while (ok && !stopping_) {
        if (announce_.exchange(false))
            sd_bus_emit_properties_changed(bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                           "LidClosed", nullptr);
        int result = sd_bus_process(bus, nullptr);
        if (result < 0)
            break;
        if (result == 0)
            sd_bus_wait(bus, 20'000);  // microseconds: wake up often to notice stopping_
    }
    sd_bus_flush_close_unref(bus);
}

}  // namespace corvane::testing
