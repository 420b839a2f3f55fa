#include "core/notch/SettingsStore.h"

#include <algorithm>
#include <set>

#include "core/base/Base64.h"
#include "core/notch/Keys.h"
#include "core/notch/ModuleCatalog.h"

namespace corvane {

namespace {

bool hasSettingsPrefix(std::string_view key) { return key.starts_with(settingsPrefix); }

}  // namespace

const std::vector<std::string>& SettingsStore::retiredKeys()
{
    static const std::vector<std::string> keys = {
        "corvane.messages.mirrorApps",
        "NSStatusItem Preferred Position corvaneMarker",
        "NSStatusItem Preferred Position corvaneIcon",
        "NSStatusItem Visible corvaneMarker",
        "NSStatusItem Visible corvaneIcon",
        "corvane.general.hapticStrength",
        "corvane.notch.sizePreset",
        "corvane.notch.widthAdjust",
        "corvane.notch.heightAdjust",
        "corvane.notch.defaultGroup",
        "corvane.notch.moduleOrder",
        "corvane.notch.paletteOnly",
        "corvane.appearance.style",
        "corvane.appearance.alertsUseGlass",
        "corvane.appearance.glassOverrides",
        "corvane.appearance.accentAuto",
        "corvane.appearance.accentHex",
        "corvane.appearance.density",
        "corvane.appearance.textScale",
        "corvane.appearance.panelOpacity",
        "corvane.appearance.cornerRadius",
    };
    return keys;
}

const std::vector<std::string>& SettingsStore::retiredPrefixes()
{
    static const std::vector<std::string> prefixes = {"corvane.alert.messages.mirror.", "corvane.menuBar."};
    return prefixes;
}

SettingsStore::SettingsStore(DefaultsDomain& defaults)
    : defaults_(defaults)
{
    defaults_.setExternalChangeHandler([this](const std::vector<std::string>& keys) { externalChange(keys); });
}

SettingsStore::~SettingsStore() { defaults_.setExternalChangeHandler(nullptr); }

void SettingsStore::sync() { defaults_.reloadIfChanged(); }

void SettingsStore::reloadIfChanged() { sync(); }

void SettingsStore::externalChange(const std::vector<std::string>& keys)
{
    for (const auto& key : keys) {
        cache_.erase(key);
        bump(key);
    }
}

void SettingsStore::observe(const std::string& storageKey) { boxes_.try_emplace(storageKey, 0); }

void SettingsStore::bump(const std::string& storageKey)
{
    ++boxes_[storageKey];
    ++revision_;
    announce();
}

void SettingsStore::bumpEpoch()
{
    ++epoch_;
    ++revision_;
    announce();
}

void SettingsStore::announce()
{
    // A handler may subscribe or unsubscribe while we call them.
    auto handlers = handlers_;
    for (const auto& [subscription, handler] : handlers)
        handler(revision_);
}

int SettingsStore::version(std::string_view storageKey) const
{
    auto found = boxes_.find(storageKey);
    return found == boxes_.end() ? 0 : found->second;
}

SettingsStore::Subscription SettingsStore::subscribe(ChangeHandler handler)
{
    Subscription subscription = nextSubscription_++;
    handlers_.emplace(subscription, std::move(handler));
    return subscription;
}

void SettingsStore::unsubscribe(Subscription subscription) { handlers_.erase(subscription); }

void SettingsStore::writeIfChanged(const std::string& storageKey, std::string bytes)
{
    if (defaults_.data(storageKey) == bytes)
        return;
    // The value stays in effect for this run even when it cannot be saved.
    if (auto written = defaults_.setData(storageKey, std::move(bytes)); !written)
        log_.warning("cannot save {}: {}", storageKey, written.error().message());
    bump(storageKey);
}

void SettingsStore::reset(const std::vector<std::string>& storageKeys)
{
    sync();
    if (auto removed = defaults_.remove(storageKeys); !removed)
        log_.warning("cannot save a reset: {}", removed.error().message());
    for (const auto& key : storageKeys) {
        cache_.erase(key);
        bump(key);
    }
}

void SettingsStore::resetAll()
{
    sync();
    std::vector<std::string> known = SettingsIndex::storageKeys();
    std::sort(known.begin(), known.end());
    std::vector<std::string> stored;
    for (const auto& key : defaults_.keys()) {
        if (std::binary_search(known.begin(), known.end(), key))
            stored.push_back(key);
    }
    if (auto removed = defaults_.remove(stored); !removed)
        log_.warning("cannot save a reset: {}", removed.error().message());
    cache_.clear();
    bumpEpoch();
}

int SettingsStore::removeRetired()
{
    sync();
    const auto& retired = retiredKeys();
    std::vector<std::string> matches;
    for (const auto& key : defaults_.keys()) {
        bool listed = std::find(retired.begin(), retired.end(), key) != retired.end();
        bool prefixed = std::any_of(retiredPrefixes().begin(), retiredPrefixes().end(),
                                    [&](const std::string& prefix) { return key.starts_with(prefix); });
        if (listed || prefixed)
            matches.push_back(key);
    }
    if (auto removed = defaults_.remove(matches); !removed)
        log_.warning("cannot save the clean-up: {}", removed.error().message());
    for (const auto& key : matches)
        cache_.erase(key);
    bumpEpoch();
    return static_cast<int>(matches.size());
}

Result<std::string> SettingsStore::exportJSON()
{
    sync();
    Json document = Json::object();
    for (const auto& key : defaults_.keys()) {
        if (!hasSettingsPrefix(key))
            continue;
        if (auto bytes = defaults_.data(key))
            document[key] = base64Encode(*bytes);
    }
    return document.dump(2, ' ', false, Json::error_handler_t::replace);
}

Result<SettingsStore::ParsedImport> SettingsStore::parseImport(std::string_view json) const
{
    if (json.size() > maxImportBytes)
        return fail(Error::make(Error::Code::TooLarge, "parse settings import"));
    Json document;
    try {
        document = Json::parse(json);
    } catch (const Json::parse_error& error) {
        return fail(Error::make(Error::Code::Malformed, "parse settings import", error.what()));
    }
    if (!document.is_object())
        return fail(Error::make(Error::Code::Malformed, "parse settings import", "not a JSON object"));

    ParsedImport parsed;
    for (const auto& [key, value] : document.items()) {
        if (!hasSettingsPrefix(key) || key.size() >= maxImportKeyLength)
            continue;
        if (!value.is_string())
            continue;
        auto bytes = base64Decode(value.get_ref<const std::string&>());
        if (!bytes || bytes->size() >= maxImportValueBytes)
            continue;
        const IndexedKey* known = SettingsIndex::find(key);
        if (known == nullptr)
            continue;
        if (!known->decodes(*bytes))
            return fail(Error::make(Error::Code::Malformed, "import settings", key));
        parsed.entries.emplace(key, std::move(*bytes));
    }
    return parsed;
}

Result<SettingsStore::ImportPreview> SettingsStore::previewImport(std::string_view json)
{
    auto parsed = parseImport(json);
    if (!parsed)
        return fail(parsed.error());
    sync();
    ImportPreview preview;
    for (const auto& [key, bytes] : parsed->entries) {
        if (defaults_.data(key) == bytes)
            ++preview.unchanged;
        else
            ++preview.changed;
    }
    return preview;
}

Result<int> SettingsStore::importJSON(std::string_view json)
{
    auto parsed = parseImport(json);
    if (!parsed)
        return fail(parsed.error());
    sync();
    std::vector<DefaultsDomain::Change> changes;
    changes.reserve(parsed->entries.size());
    for (auto& [key, bytes] : parsed->entries)
        changes.push_back({key, DefaultsDomain::Value{DefaultsDomain::Data{std::move(bytes)}}});
    if (auto written = defaults_.apply(changes); !written)
        log_.warning("cannot save the import: {}", written.error().message());
    cache_.clear();
    bumpEpoch();
    return static_cast<int>(changes.size());
}

bool SettingsStore::alertEnabled(std::string_view kind)
{
    const AlertKind* known = ModuleCatalog::alertKind(kind);
    return get(AlertSwitch::enabled(kind, known == nullptr || known->defaultOn));
}

void SettingsStore::setAlert(std::string_view kind, bool on)
{
    const AlertKind* known = ModuleCatalog::alertKind(kind);
    set(AlertSwitch::enabled(kind, known == nullptr || known->defaultOn), on);
}

bool SettingsStore::moduleEnabled(std::string_view id)
{
    const ModuleDescriptor* module = ModuleCatalog::descriptor(id);
    return get(ModuleSwitch::enabled(id, module == nullptr || module->defaultEnabled));
}

void SettingsStore::setModuleEnabled(std::string_view id, bool on)
{
    const ModuleDescriptor* module = ModuleCatalog::descriptor(id);
    set(ModuleSwitch::enabled(id, module == nullptr || module->defaultEnabled), on);
}

}  // namespace corvane
