#pragma once
// The key-value domain behind the settings store. Settings are data
// entries (the JSON bytes of one value); the few markers the app writes
// directly ("corvane.internal.legacyMigrated", "corvane.internal.reopenSettings")
// are plain entries holding a JSON scalar.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/base/Result.h"

namespace corvane {

using Json = nlohmann::json;

class DefaultsDomain {
public:
    struct Data {
        std::string bytes;
        bool operator==(const Data&) const = default;
    };
    struct Plain {
        Json value;
        bool operator==(const Plain&) const = default;
    };
    using Value = std::variant<Data, Plain>;

    // One edit of a batch: a value to store, or nothing to remove the key.
    struct Change {
        std::string key;
        std::optional<Value> value;
    };

    // Keys whose values another process changed.
    using ExternalChangeHandler = std::function<void(const std::vector<std::string>& keys)>;

    virtual ~DefaultsDomain() = default;

    virtual std::optional<Value> value(const std::string& key) = 0;
    // Every key, sorted.
    virtual std::vector<std::string> keys() = 0;
    // Applies the whole batch in memory and persists it in one write. The
    // in-memory values stay even when persisting fails.
    virtual Result<void> apply(const std::vector<Change>& changes) = 0;
    // Picks up changes that another process made; returns their keys and
    // also reports them to the handler. Domains only this process writes
    // report nothing.
    virtual std::vector<std::string> reloadIfChanged() { return {}; }

    // The handler is called when a read or reloadIfChanged() finds changes
    // made elsewhere, after the new values are in place.
    void setExternalChangeHandler(ExternalChangeHandler handler) { externalChangeHandler_ = std::move(handler); }

    std::optional<std::string> data(const std::string& key);
    std::optional<Json> plain(const std::string& key);
    // True only for a plain entry holding the boolean true.
    bool plainFlag(const std::string& key);
    Result<void> setData(const std::string& key, std::string bytes);
    Result<void> setPlain(const std::string& key, Json value);
    Result<void> remove(const std::string& key);
    Result<void> remove(const std::vector<std::string>& keys);

protected:
    void reportExternalChanges(const std::vector<std::string>& keys) const;

private:
    ExternalChangeHandler externalChangeHandler_;
};

// A domain in memory, for tests and for runs that must not persist.
class MemoryDefaultsDomain final : public DefaultsDomain {
public:
    std::optional<Value> value(const std::string& key) override;
    std::vector<std::string> keys() override;
    Result<void> apply(const std::vector<Change>& changes) override;

    // How many batches were applied: tests use it to see that nothing was written.
    int writeCount() const { return writeCount_; }

private:
    std::map<std::string, Value> entries_;
    int writeCount_ = 0;
};

}  // namespace corvane
