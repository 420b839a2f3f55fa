#pragma once
// The typed settings store: one per program, used from the main thread.
// Reads decode the stored JSON bytes of a key (falling back to its default)
// and cache the result; writes store the new bytes only when they differ
// and then bump the key. Every effective change increments `revision` and
// is announced to subscribers, per key through its version counter and in
// bulk (import, reset all, retired-key clean-up) through the epoch.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Log.h"
#include "core/base/Result.h"
#include "core/notch/DefaultsDomain.h"
#include "core/notch/SettingKey.h"

namespace corvane {

class SettingsStore {
public:
    using Subscription = std::uint64_t;
    using ChangeHandler = std::function<void(int revision)>;

    struct ImportPreview {
        int changed = 0;
        int unchanged = 0;
        bool operator==(const ImportPreview&) const = default;
    };

    // Imports larger than this are refused before parsing.
    static constexpr std::size_t maxImportBytes = 8 * 1024 * 1024;
    // Per entry: keys this long or longer and decoded values this large or
    // larger are skipped.
    static constexpr std::size_t maxImportKeyLength = 200;
    static constexpr std::size_t maxImportValueBytes = 65536;

    // Entries of earlier versions, removed at launch.
    static const std::vector<std::string>& retiredKeys();
    static const std::vector<std::string>& retiredPrefixes();

    explicit SettingsStore(DefaultsDomain& defaults);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    DefaultsDomain& defaults() { return defaults_; }

    template <SettingValue V>
    V get(const SettingKey<V>& key)
    {
        std::string storageKey = key.storageKey();
        sync();
        observe(storageKey);
        if (auto cached = cache_.find(storageKey); cached != cache_.end()) {
            if (const V* value = std::any_cast<V>(&cached->second))
                return *value;
        }
        V value = key.defaultValue;
        if (auto bytes = defaults_.data(storageKey)) {
            if (auto decoded = decodeSetting<V>(*bytes))
                value = std::move(*decoded);
        }
        cache_[storageKey] = value;
        return value;
    }

    // A value that cannot be encoded is ignored.
    template <SettingValue V>
    void set(const SettingKey<V>& key, const V& value)
    {
        auto bytes = encodeSetting(value);
        if (!bytes)
            return;
        std::string storageKey = key.storageKey();
        sync();
        cache_[storageKey] = value;
        writeIfChanged(storageKey, std::move(*bytes));
    }

    // True when anything is stored for the key, a stored default included.
    template <SettingValue V>
    bool hasValue(const SettingKey<V>& key)
    {
        sync();
        return defaults_.data(key.storageKey()).has_value();
    }

    template <SettingValue V>
    void reset(const SettingKey<V>& key)
    {
        reset(std::vector<std::string>{key.storageKey()});
    }
    // The same for raw storage keys, as a settings page restores its defaults.
    void reset(const std::vector<std::string>& storageKeys);
    // Removes every entry of the settings index.
    void resetAll();
    // Removes the retired keys and prefixes; returns how many entries went.
    int removeRetired();

    // Every "corvane." data entry as key -> Base64 of its bytes, pretty
    // printed with sorted keys.
    Result<std::string> exportJSON();
    Result<ImportPreview> previewImport(std::string_view json);
    // Writes every accepted entry; returns how many. An entry for a known
    // key whose bytes do not decode fails the whole import (code Malformed,
    // context the key) before anything is written.
    Result<int> importJSON(std::string_view json);

    // "alert." + kind + ".enabled"; defaults to the kind's defaultOn.
    bool alertEnabled(std::string_view kind);
    void setAlert(std::string_view kind, bool on);
    // "module." + id + ".enabled"; defaults to the module's defaultEnabled.
    bool moduleEnabled(std::string_view id);
    void setModuleEnabled(std::string_view id, bool on);

    int revision() const { return revision_; }
    int epoch() const { return epoch_; }
    // The change counter of one storage key, 0 until it first changes.
    int version(std::string_view storageKey) const;

    // Called with the new revision after every change.
    Subscription subscribe(ChangeHandler handler);
    void unsubscribe(Subscription subscription);

    // Re-reads the settings file after another process changed it and bumps
    // the keys that changed. The app calls it from its file watcher.
    void reloadIfChanged();

private:
    struct ParsedImport {
        std::map<std::string, std::string> entries;  // storage key -> bytes
    };

    Result<ParsedImport> parseImport(std::string_view json) const;
    void writeIfChanged(const std::string& storageKey, std::string bytes);
    void sync();
    void observe(const std::string& storageKey);
    void bump(const std::string& storageKey);
    void bumpEpoch();
    void announce();
    void externalChange(const std::vector<std::string>& keys);

    DefaultsDomain& defaults_;
    std::map<std::string, std::any> cache_;
    std::map<std::string, int, std::less<>> boxes_;
    int revision_ = 0;
    int epoch_ = 0;
    std::map<Subscription, ChangeHandler> handlers_;
    Subscription nextSubscription_ = 1;
    Logger log_{"settings"};
};

}  // namespace corvane
