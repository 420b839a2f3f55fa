// lunebox-closedlid-helper: keeps the lid switch from suspending the
// machine while the installed Lunebox holds a lease, and undoes it when
// the lease, a limit or the app goes away.
//
// Started by systemd through its socket unit, it takes the listening
// socket from sd_listen_fds; run by hand it binds --socket itself.

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include <systemd/sd-daemon.h>

#include "closedlid/LidHoldMachine.h"
#include "closedlid/helper/ClosedLidServer.h"
#include "closedlid/helper/LogindLidPlatform.h"
#include "closedlid/helper/PeerGate.h"
#include "core/base/Files.h"
#include "core/keepawake/ClosedLidPaths.h"

namespace {

using namespace corvane;

struct Options {
    std::string socket{ClosedLidPaths::socketPath};
    std::string stateFolder{ClosedLidPaths::stateFolder};
    std::string sysRoot = "/sys";
    std::string bus;
    double checkInterval = ClosedLidServer::defaultCheckIntervalSeconds;
};

constexpr std::string_view usage =
    "usage: lunebox-closedlid-helper [--socket PATH] [--state-folder DIR] [--sys-root DIR] [--bus ADDRESS] "
    "[--check-interval SECONDS]\n";

std::optional<Options> parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view name = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        std::string value = argv[++i];
        if (name == "--socket")
            options.socket = value;
        else if (name == "--state-folder")
            options.stateFolder = value;
        else if (name == "--sys-root")
            options.sysRoot = value;
        else if (name == "--bus")
            options.bus = value;
        else if (name == "--check-interval") {
            char* end = nullptr;
            options.checkInterval = std::strtod(value.c_str(), &end);
            if (*end != '\0' || !(options.checkInterval > 0))
                return std::nullopt;
        } else
            return std::nullopt;
    }
    return options;
}

ClosedLidServer* running = nullptr;

void onSignal(int) { running->stop(); }

}  // namespace

int main(int argc, char** argv)
{
    auto options = parse(argc, argv);
    if (!options) {
        std::cerr << usage;
        return 2;
    }
    Logger log("closedlid");
    const std::filesystem::path state(options->stateFolder);

    auto clientData = readFileCapped(state / ClosedLidPaths::clientRecordName, closedLidLineCap);
    auto client = clientData ? ClosedLidClientRecord::decode(*clientData) : std::nullopt;
    if (!client) {
        log.error("no readable client record in {}: install the helper from Lunebox", state.string());
        return 1;
    }

    FileDescriptor listener;
    if (sd_listen_fds(1) > 0) {
        listener = FileDescriptor(SD_LISTEN_FDS_START);
    } else {
        auto bound = ClosedLidServer::listenAt(options->socket);
        if (!bound) {
            log.error("{}", bound.error().message());
            return 1;
        }
        listener = std::move(*bound);
    }

    LogindLidPlatform platform(state / ClosedLidPaths::holdRecordName, options->sysRoot, options->bus);
    LidHoldMachine machine(platform);
    machine.launchCleanup();

    PeerGate gate(*client);
    SystemClock clock;
    ClosedLidServer server(std::move(listener), machine, gate, clock, options->checkInterval);
    running = &server;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sd_notify(0, "READY=1");

    server.run();
    machine.shutdown();
    return 0;
}
