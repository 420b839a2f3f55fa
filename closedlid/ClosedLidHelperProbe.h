#pragma once
// Runs the launch check against the machine: the installed units and
// helper file, the helper's hash and the version it reports.

#include <filesystem>
#include <string_view>

#include "closedlid/ClosedLidHelperClient.h"
#include "core/keepawake/ClosedLidPaths.h"
#include "core/keepawake/HelperState.h"

namespace corvane {

struct ClosedLidInstallation {
    std::filesystem::path socketUnit{ClosedLidPaths::installedSocket};
    std::filesystem::path helper{ClosedLidPaths::installedHelper};
};

HelperState probeClosedLidHelper(ClosedLidHelperClient& client, std::string_view expectedSHA256,
                                 const ClosedLidInstallation& installation = {});

}  // namespace corvane
