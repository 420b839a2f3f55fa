// The terminal commands that read transcripts and the agents' settings:
// `--usage` and `--integrations`, `--connect ID`, `--disconnect ID`. A part of
// its own so that the entry, and with it `--status`, links none of the
// libraries they need.

#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "app/PartEntry.h"
#include "core/agents/IntegrationsCommand.h"
#include "core/agents/IntegrationTargets.h"
#include "core/agents/UsageCommand.h"
#include "core/notch/EntryCommand.h"
#include "core/notch/KnownPaths.h"

namespace {

using namespace corvane;

int printUsage(bool json)
{
    // The zone database is read while the transcripts are.
    auto zone = std::async(std::launch::async, &Calendar::local);
    UsageCommand usage{KnownPaths::processEnvironment(), KnownPaths::forCommand().settingsFile(), json};
    SystemClock clock;
    std::fputs(usage.run(clock, [&] { return zone.get(); }).c_str(), stdout);
    return 0;
}

// The helper that taps and notifiers call is installed beside the entry.
int runIntegrations(IntegrationsCommand::Action action, const std::string& id)
{
    auto paths = KnownPaths::forCommand();
    IntegrationEnv env = IntegrationTargets::thisProcess(paths.home());
    int threshold = IntegrationsCommand::thresholdSeconds(paths.settingsFile());
    SystemClock clock;
    IntegrationsModel model(paths.appSupport(), IntegrationTargets::writable(env, env.helperPath, threshold), clock,
                            Calendar::local());
    auto output = IntegrationsCommand::run(model, action, id);
    std::fputs(output.standardOutput.c_str(), stdout);
    std::fputs(output.standardError.c_str(), stderr);
    return output.exitCode;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int luneboxCommandsMain(const LuneboxPartRequest* request)
{
    std::vector<std::string> arguments(request->argv, request->argv + request->argc);
    // This library carries its own copy of the core, whose paths need the
    // arguments as well.
    KnownPaths::setProcessArguments(arguments);
    auto command = EntryCommand::parse(arguments);
    switch (command.mode) {
    case EntryCommand::Mode::Usage:
        return printUsage(command.json);
    case EntryCommand::Mode::Integrations:
        return runIntegrations(IntegrationsCommand::Action::list, {});
    case EntryCommand::Mode::Connect:
        return runIntegrations(IntegrationsCommand::Action::connect, command.integration);
    case EntryCommand::Mode::Disconnect:
        return runIntegrations(IntegrationsCommand::Action::disconnect, command.integration);
    default:
        std::fputs("lunebox: not a terminal command\n", stderr);
        return 2;
    }
}
