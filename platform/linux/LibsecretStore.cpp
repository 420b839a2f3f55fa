#include "platform/linux/LibsecretStore.h"

#include <libsecret/secret.h>

#include "core/base/Log.h"

namespace corvane::platform {

namespace {

const Logger logger("secrets");

// Items match on "service" and "account" alone, whatever schema name wrote
// them, so items stored by other tools under those attributes are found too.
const SecretSchema* genericPasswordSchema()
{
    static const std::string name = std::string(KeychainAccess::realBundleID) + ".GenericPassword";
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = name.c_str();
        made.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        made.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[2] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &schema;
}

// The secret service's own words go to the log only; the caller gets a code.
Failure serviceFailure(const char* operation, const std::string& service, const std::string& account, GError* error)
{
    logger.warning("{} {} failed: {}", operation, secretItemName(service, account), error->message);
    g_error_free(error);
    return fail(Error::make(Error::Code::Unavailable, operation, secretItemName(service, account)));
}

}  // namespace

LibsecretStore::LibsecretStore(bool readsAllowed) : readsAllowed_(readsAllowed) {}

Result<std::optional<std::string>> LibsecretStore::read(const std::string& service, const std::string& account)
{
    if (!readsAllowed_)
        return fail(Error::make(Error::Code::PermissionDenied, "read secret", secretItemName(service, account)));
    GError* error = nullptr;
    gchar* secret = secret_password_lookup_sync(genericPasswordSchema(), nullptr, &error, "service", service.c_str(),
                                                "account", account.c_str(), nullptr);
    if (error != nullptr)
        return serviceFailure("read secret", service, account, error);
    if (secret == nullptr)
        return std::optional<std::string>();
    std::string value(secret);
    secret_password_free(secret);  // wipes the copy libsecret kept
    return std::optional<std::string>(std::move(value));
}

Result<void> LibsecretStore::write(const std::string& service, const std::string& account, const std::string& secret)
{
    if (secret.find('\0') != std::string::npos)
        return fail(Error::make(Error::Code::Invalid, "write secret", secretItemName(service, account)));
    // The service replaces only an item with every attribute equal, schema
    // name included, so one another tool stored for the pair would stay
    // beside ours and reads would return either.
    if (auto cleared = remove(service, account); !cleared)
        return cleared;
    GError* error = nullptr;
    std::string label = "Lunebox: " + secretItemName(service, account);
    secret_password_store_sync(genericPasswordSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(),
                               nullptr, &error, "service", service.c_str(), "account", account.c_str(), nullptr);
    if (error != nullptr)
        return serviceFailure("write secret", service, account, error);
    return {};
}

Result<void> LibsecretStore::remove(const std::string& service, const std::string& account)
{
    GError* error = nullptr;
    secret_password_clear_sync(genericPasswordSchema(), nullptr, &error, "service", service.c_str(), "account",
                               account.c_str(), nullptr);
    if (error != nullptr)
        return serviceFailure("remove secret", service, account, error);
    return {};
}

}  // namespace corvane::platform
