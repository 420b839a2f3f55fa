#pragma once
// Credentials of the user (bot tokens, account tokens), kept by the desktop's
// secret store as generic passwords named by a service and an account.
//
// Calls may block on the desktop's secret service (or its unlock prompt):
// make them from a source's queue, never from the main thread.

#include <optional>
#include <string>

#include "core/base/Result.h"

namespace corvane::platform {

// How an item is named in errors and logs; never the secret itself.
inline std::string secretItemName(const std::string& service, const std::string& account)
{
    return service + " / " + account;
}

class SecretStore {
public:
    virtual ~SecretStore() = default;
    // Nothing when no such item is stored. PermissionDenied when this build
    // may not read the user's secrets (KeychainAccess).
    virtual Result<std::optional<std::string>> read(const std::string& service, const std::string& account) = 0;
    // Replaces an item of the same service and account.
    virtual Result<void> write(const std::string& service, const std::string& account, const std::string& secret) = 0;
    // Removing an item that is not there succeeds.
    virtual Result<void> remove(const std::string& service, const std::string& account) = 0;
};

}  // namespace corvane::platform
