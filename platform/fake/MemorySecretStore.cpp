#include "platform/fake/MemorySecretStore.h"

namespace corvane::platform {

Result<void> MemorySecretStore::check(const char* operation, const std::string& service,
                                      const std::string& account) const
{
    if (unavailable_)
        return fail(Error::make(Error::Code::Unavailable, operation, secretItemName(service, account)));
    return {};
}

Result<std::optional<std::string>> MemorySecretStore::read(const std::string& service, const std::string& account)
{
    std::lock_guard lock(mutex_);
    if (!readsAllowed_)
        return fail(Error::make(Error::Code::PermissionDenied, "read secret", secretItemName(service, account)));
    if (auto available = check("read secret", service, account); !available)
        return fail(available.error());
    auto found = items_.find({service, account});
    if (found == items_.end())
        return std::optional<std::string>();
    return std::optional<std::string>(found->second);
}

Result<void> MemorySecretStore::write(const std::string& service, const std::string& account, const std::string& secret)
{
    std::lock_guard lock(mutex_);
    if (auto available = check("write secret", service, account); !available)
        return available;
    items_[{service, account}] = secret;
    return {};
}

Result<void> MemorySecretStore::remove(const std::string& service, const std::string& account)
{
    std::lock_guard lock(mutex_);
    if (auto available = check("remove secret", service, account); !available)
        return available;
    items_.erase({service, account});
    return {};
}

void MemorySecretStore::setUnavailable(bool unavailable)
{
    std::lock_guard lock(mutex_);
    unavailable_ = unavailable;
}

}  // namespace corvane::platform
