#pragma once
// Generic passwords in the desktop's Secret Service (GNOME Keyring, KWallet
// and others) through libsecret, with the attributes "service" and
// "account": the names the macOS keychain items carry.

#include "core/notch/KeychainAccess.h"
#include "platform/SecretStore.h"

namespace corvane::platform {

class LibsecretStore final : public SecretStore {
public:
    // Reads are refused unless `readsAllowed`; the app keeps the default,
    // so development and variant builds never read the user's secrets.
    explicit LibsecretStore(bool readsAllowed = KeychainAccess::allowed());

    Result<std::optional<std::string>> read(const std::string& service, const std::string& account) override;
    Result<void> write(const std::string& service, const std::string& account, const std::string& secret) override;
    Result<void> remove(const std::string& service, const std::string& account) override;

private:
    bool readsAllowed_;
};

}  // namespace corvane::platform
