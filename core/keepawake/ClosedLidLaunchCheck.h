#pragma once
// The closed-lid helper's state as the planner sees it, derived at launch
// and after each install from what is on disk and what the helper answers.

#include <optional>
#include <string>

#include "core/keepawake/HelperState.h"
#include "core/keepawake/InstalledHelperFile.h"

namespace corvane {

struct ClosedLidLaunchInputs {
    bool unitInstalled = false;                   // the socket unit is in place
    std::optional<InstalledHelperFile> file;      // none: no file at the installed path
    std::optional<std::string> installedSHA256;   // none: could not be read
    std::string expectedSHA256;                   // recorded into the app when it was built
    std::optional<int> reportedVersion;           // none: the helper gave no status
    int requiredVersion = 0;
};

namespace ClosedLidLaunchCheck {

// Nothing installed → notInstalled; a helper file that is missing, not
// root's, writable by others or not the one built with this app →
// needsRepair; no answer → unreachable; then the reported version decides
// between ready and needsUpdate.
HelperState state(const ClosedLidLaunchInputs& inputs);

}  // namespace ClosedLidLaunchCheck

}  // namespace corvane
