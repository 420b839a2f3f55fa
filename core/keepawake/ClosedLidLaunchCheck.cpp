#include "core/keepawake/ClosedLidLaunchCheck.h"

namespace corvane::ClosedLidLaunchCheck {

HelperState state(const ClosedLidLaunchInputs& inputs)
{
    if (!inputs.unitInstalled && !inputs.file)
        return HelperState::notInstalled;
    if (!inputs.file || !inputs.file->isTrusted() || !inputs.installedSHA256
        || *inputs.installedSHA256 != inputs.expectedSHA256)
        return HelperState::needsRepair;
    if (!inputs.reportedVersion)
        return HelperState::unreachable;
    return *inputs.reportedVersion == inputs.requiredVersion ? HelperState::ready : HelperState::needsUpdate;
}

}  // namespace corvane::ClosedLidLaunchCheck
