#pragma once
// The test process as the helper's gate sees it: its user and executable.

#include <unistd.h>

#include "closedlid/Sha256.h"
#include "core/keepawake/ClosedLidClientRecord.h"

namespace corvane::testing {

inline ClosedLidClientRecord thisProcess()
{
    static const std::string hash = fileSHA256("/proc/self/exe").valueOr("");
    return {static_cast<std::uint32_t>(::getuid()), hash};
}

}  // namespace corvane::testing
