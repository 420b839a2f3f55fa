#pragma once
// A secret store for tests: items in memory, the same read gate as the real
// one, and a switch that makes the service unavailable.

#include <map>
#include <mutex>
#include <utility>

#include "platform/SecretStore.h"

namespace corvane::platform {

class MemorySecretStore final : public SecretStore {
public:
    explicit MemorySecretStore(bool readsAllowed = true) : readsAllowed_(readsAllowed) {}

    Result<std::optional<std::string>> read(const std::string& service, const std::string& account) override;
    Result<void> write(const std::string& service, const std::string& account, const std::string& secret) override;
    Result<void> remove(const std::string& service, const std::string& account) override;

    // While set, every call fails as when no secret service answers.
    void setUnavailable(bool unavailable);

private:
    Result<void> check(const char* operation, const std::string& service, const std::string& account) const;

    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, std::string> items_;
    bool readsAllowed_;
    bool unavailable_ = false;
};

}  // namespace corvane::platform
