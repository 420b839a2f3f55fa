#include "core/notch/FileDefaultsDomain.h"

#include <sys/stat.h>

#include "core/base/Base64.h"
#include "core/base/Files.h"
#include "core/base/JsonStore.h"
#include "core/base/Log.h"

namespace corvane {

namespace {

const Logger settingsLog("settings");
const SystemClock systemClock;

constexpr const char* settingsSection = "settings";
constexpr const char* dataSection = "data";
constexpr const char* plainSection = "plain";

// Bytes are embedded as a JSON value only when writing that value gives
// the very same bytes back.
std::optional<Json> canonicalJson(const std::string& bytes)
{
    Json parsed = Json::parse(bytes, nullptr, false);
    if (parsed.is_discarded())
        return std::nullopt;
    try {
        if (parsed.dump() != bytes)
            return std::nullopt;
    } catch (const Json::exception&) {
        return std::nullopt;
    }
    return parsed;
}

std::vector<std::string> changedKeys(const std::map<std::string, DefaultsDomain::Value>& before,
                                     const std::map<std::string, DefaultsDomain::Value>& after)
{
    std::vector<std::string> changed;
    for (const auto& [key, value] : before) {
        auto now = after.find(key);
        if (now == after.end() || now->second != value)
            changed.push_back(key);
    }
    for (const auto& [key, value] : after) {
        if (!before.contains(key))
            changed.push_back(key);
    }
    return changed;
}

}  // namespace

FileDefaultsDomain::FileDefaultsDomain(std::filesystem::path file, const Clock& clock, Calendar calendar)
    : path_(std::move(file))
    , clock_(clock)
    , calendar_(std::move(calendar))
{
    load();
}

FileDefaultsDomain::FileDefaultsDomain(std::filesystem::path file)
    : FileDefaultsDomain(std::move(file), systemClock, Calendar::local())
{
}

FileDefaultsDomain::Identity FileDefaultsDomain::currentIdentity() const
{
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0)
        return {};
    return Identity{true, info.st_dev, info.st_ino, info.st_size,
                    static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void FileDefaultsDomain::load()
{
    // The identity is taken before reading: a replacement in between is then
    // seen as a change on the next access rather than missed.
    seen_ = currentIdentity();
    entries_.clear();
    writable_ = true;
    JsonStoreFile file(path_, maxFileBytes);
    auto loaded = file.load(clock_.now(), calendar_);
    switch (loaded.state) {
    case JsonStoreFile::State::Absent:
    case JsonStoreFile::State::Blank:
        return;
    case JsonStoreFile::State::Unreadable:
        writable_ = false;
        settingsLog.warning("cannot read {}: {}", path_.string(), loaded.error ? loaded.error->message() : "unknown error");
        return;
    case JsonStoreFile::State::Corrupt:
        quarantinedTo_ = loaded.quarantinedTo;
        break;
    case JsonStoreFile::State::Parsed:
        if (auto entries = decodeDocument(loaded.document)) {
            entries_ = std::move(*entries);
            return;
        }
        if (auto moved = file.quarantine(clock_.now(), calendar_))
            quarantinedTo_ = *moved;
        break;
    }
    settingsLog.warning("settings file {} did not decode; moved aside, starting empty", path_.string());
    seen_ = currentIdentity();
}

std::vector<std::string> FileDefaultsDomain::refresh()
{
    if (currentIdentity() == seen_)
        return {};
    auto before = std::move(entries_);
    load();
    return changedKeys(before, entries_);
}

std::vector<std::string> FileDefaultsDomain::reloadIfChanged()
{
    auto changed = refresh();
    reportExternalChanges(changed);
    return changed;
}

std::optional<DefaultsDomain::Value> FileDefaultsDomain::value(const std::string& key)
{
    reloadIfChanged();
    auto found = entries_.find(key);
    if (found == entries_.end())
        return std::nullopt;
    return found->second;
}

std::vector<std::string> FileDefaultsDomain::keys()
{
    reloadIfChanged();
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const auto& [key, value] : entries_)
        out.push_back(key);
    return out;
}

Result<void> FileDefaultsDomain::apply(const std::vector<Change>& changes)
{
    // Take in what other processes wrote first, so this write keeps it.
    reloadIfChanged();
    for (const auto& change : changes) {
        if (change.value)
            entries_.insert_or_assign(change.key, *change.value);
        else
            entries_.erase(change.key);
    }
    if (!writable_)
        return fail(Error::make(Error::Code::PermissionDenied, "write settings", path_.string()));
    std::string bytes = encodeDocument(entries_).dump(2, ' ', false, Json::error_handler_t::replace);
    bytes += '\n';
    auto written = writeFileAtomically(path_, bytes, 0600);
    if (!written) {
        settingsLog.warning("cannot write settings: {}", written.error().message());
        return written;
    }
    seen_ = currentIdentity();
    return {};
}

Json FileDefaultsDomain::encodeDocument(const std::map<std::string, Value>& entries)
{
    Json settings = Json::object();
    Json data = Json::object();
    Json plain = Json::object();
    for (const auto& [key, value] : entries) {
        if (const auto* entry = std::get_if<Data>(&value)) {
            if (auto json = canonicalJson(entry->bytes))
                settings[key] = std::move(*json);
            else
                data[key] = base64Encode(entry->bytes);
        } else {
            plain[key] = std::get<Plain>(value).value;
        }
    }
    Json document = Json::object();
    document[settingsSection] = std::move(settings);
    if (!data.empty())
        document[dataSection] = std::move(data);
    if (!plain.empty())
        document[plainSection] = std::move(plain);
    return document;
}

std::optional<std::map<std::string, DefaultsDomain::Value>> FileDefaultsDomain::decodeDocument(const Json& document)
{
    if (!document.is_object())
        return std::nullopt;
    std::map<std::string, Value> entries;
    auto section = [&](const char* name) -> const Json* {
        auto found = document.find(name);
        return found != document.end() && found->is_object() ? &*found : nullptr;
    };
    if (const Json* settings = section(settingsSection)) {
        for (const auto& [key, value] : settings->items()) {
            try {
                entries.insert_or_assign(key, Value{Data{value.dump()}});
            } catch (const Json::exception&) {
                // text that is not UTF-8 cannot be a setting; drop the entry
            }
        }
    }
    if (const Json* data = section(dataSection)) {
        for (const auto& [key, value] : data->items()) {
            if (!value.is_string())
                continue;
            if (auto bytes = base64Decode(value.get_ref<const std::string&>()))
                entries.insert_or_assign(key, Value{Data{std::move(*bytes)}});
        }
    }
    if (const Json* plain = section(plainSection)) {
        for (const auto& [key, value] : plain->items())
            entries.insert_or_assign(key, Value{Plain{value}});
    }
    return entries;
}

std::map<std::string, DefaultsDomain::Value> FileDefaultsDomain::peek(const std::filesystem::path& file)
{
    auto bytes = readFileCapped(file, maxFileBytes);
    if (!bytes)
        return {};
    Json document = Json::parse(*bytes, nullptr, false);
    if (document.is_discarded())
        return {};
    return decodeDocument(document).value_or(std::map<std::string, Value>{});
}

}  // namespace corvane
