#include "closedlid/ClosedLidHelperProbe.h"

#include "closedlid/Sha256.h"
#include "core/keepawake/ClosedLidLaunchCheck.h"

namespace corvane {

HelperState probeClosedLidHelper(ClosedLidHelperClient& client, std::string_view expectedSHA256,
                                 const ClosedLidInstallation& installation)
{
    ClosedLidLaunchInputs inputs;
    std::error_code ignored;
    inputs.unitInstalled = std::filesystem::exists(installation.socketUnit, ignored);
    inputs.file = InstalledHelperFile::read(installation.helper);
    inputs.expectedSHA256 = expectedSHA256;
    inputs.requiredVersion = ClosedLidHelperVersion;
    if (!inputs.file || !inputs.file->isTrusted())
        return ClosedLidLaunchCheck::state(inputs);
    if (auto hash = fileSHA256(installation.helper))
        inputs.installedSHA256 = std::move(*hash);
    if (auto status = client.status())
        inputs.reportedVersion = status->helperVersion;
    return ClosedLidLaunchCheck::state(inputs);
}

}  // namespace corvane
