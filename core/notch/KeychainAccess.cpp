#include "core/notch/KeychainAccess.h"

#include "core/notch/KnownPaths.h"

namespace corvane::KeychainAccess {

bool mayRead(std::optional<std::string_view> applicationID)
{
    return applicationID.has_value() && *applicationID == realBundleID;
}

bool allowed() { return mayRead(KnownPaths::compiledApplicationID()); }

}  // namespace corvane::KeychainAccess
