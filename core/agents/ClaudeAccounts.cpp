#include "core/agents/ClaudeAccounts.h"

#include <algorithm>
#include <ostream>

#include <sys/stat.h>

#include "core/agents/ClaudeStatusline.h"

namespace corvane::ClaudeAccounts {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view prefix = "claude.";
constexpr std::string_view suffix = ".json";

bool isKeyCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

std::optional<std::string> stringMember(const Json& object, std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_string() || found->get<std::string>().empty())
        return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

fs::path configPath(const Environment& environment, const fs::path& home)
{
    if (auto folder = environment.find("CLAUDE_CONFIG_DIR"); folder != environment.end() && !folder->second.empty())
        return fs::path(folder->second) / ".claude.json";
    return home / ".claude.json";
}

Result<Json> readConfig(const fs::path& path)
{
    Result<std::string> bytes = readFileCapped(path, maxConfig);
    if (!bytes)
        return fail(bytes.error());
    Json config = Json::parse(*bytes, nullptr, false);
    if (config.is_discarded() || !config.is_object())
        return fail(Error::make(Error::Code::Malformed, "parse Claude configuration", path.string()));
    return config;
}

std::optional<Identity> identity(const Json& config)
{
    auto account = config.find("oauthAccount");
    if (account == config.end() || !account->is_object())
        return std::nullopt;
    std::optional<std::string> uuid = stringMember(*account, "accountUuid");
    if (!uuid)
        return std::nullopt;
    std::string key;
    for (char c : *uuid) {
        if (isKeyCharacter(c) && key.size() < maxKeyLength)
            key += c;
    }
    if (key.empty())
        return std::nullopt;
    std::optional<std::string> label = stringMember(*account, "emailAddress");
    if (!label)
        label = stringMember(*account, "displayName");
    return Identity{std::move(key), std::move(label)};
}

bool isValidKey(std::string_view key)
{
    return !key.empty() && key.size() <= maxKeyLength && std::all_of(key.begin(), key.end(), isKeyCharacter);
}

std::string fileName(std::string_view key) { return std::string(prefix) + std::string(key) + std::string(suffix); }

std::optional<std::string> key(std::string_view name)
{
    if (!name.starts_with(prefix) || !name.ends_with(suffix) || name.size() <= prefix.size() + suffix.size())
        return std::nullopt;
    std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (!isValidKey(middle))
        return std::nullopt;
    return std::string(middle);
}

bool isStatusFile(std::string_view name) { return name == legacyFile || key(name).has_value(); }

Relation relation(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    if (!a || !b)
        return Relation::unknown;
    return *a == *b ? Relation::same : Relation::conflict;
}

Target resolve(const std::optional<Legacy>& status, const std::optional<Identity>& login,
               const std::vector<std::string>& accounts, WallTime now)
{
    if (!login)
        return Target{std::nullopt, std::nullopt, true};
    if (std::find(accounts.begin(), accounts.end(), login->key) != accounts.end())
        return Target{login->key, login->label, false};
    std::optional<std::string> holder;
    if (status && status->account && now.secondsSince(status->observedAt) <= maxAge)
        holder = status->account->key;
    bool taken = relation(holder, login->key) == Relation::conflict;
    return Target{login->key, login->label, !taken};
}

std::string targetFile(const Target& target)
{
    if (target.adopted || !target.key)
        return std::string(legacyFile);
    return fileName(*target.key);
}

std::string stamp(std::string_view data, const Target& target)
{
    Json document = Json::parse(data, nullptr, false);
    if (!target.key || document.is_discarded() || !document.is_object())
        return std::string(data);
    Json account = {{"key", *target.key}};
    if (target.label)
        account["label"] = *target.label;
    document["account"] = std::move(account);
    return document.dump();
}

std::vector<StatusFile> files(const fs::path& folder, WallTime now)
{
    std::vector<StatusFile> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        struct stat info {};
        if (!isStatusFile(name) || ::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        WallTime modifiedAt = WallTime::fromUnixSeconds(static_cast<double>(info.st_mtim.tv_sec)
                                                        + static_cast<double>(info.st_mtim.tv_nsec) / 1e9);
        if (now.secondsSince(modifiedAt) > maxAge)
            continue;
        found.push_back(StatusFile{std::move(name), {}, modifiedAt});
    }
    std::sort(found.begin(), found.end(), [](const StatusFile& a, const StatusFile& b) {
        return a.modifiedAt != b.modifiedAt ? a.modifiedAt > b.modifiedAt : a.name < b.name;
    });
    if (found.size() > maxFiles)
        found.erase(found.begin() + maxFiles, found.end());
    std::vector<StatusFile> read;
    for (StatusFile& file : found) {
        // A file removed or rewritten meanwhile is simply left out of this look.
        if (Result<std::string> bytes = readFileCapped(folder / file.name, ClaudeStatusline::maxStatus)) {
            file.data = std::move(*bytes);
            read.push_back(std::move(file));
        }
    }
    return read;
}

std::vector<ProviderUsage> usages(const std::vector<StatusFile>& files, WallTime now)
{
    std::vector<ProviderUsage> out;
    for (const StatusFile& file : files) {
        if (!isStatusFile(file.name) || now.secondsSince(file.modifiedAt) > maxAge)
            continue;
        std::optional<ProviderUsage> usage = ClaudeStatusline::parse(file.data, file.modifiedAt);
        if (!usage)
            continue;
        if (std::optional<std::string> fileKey = key(file.name)) {
            std::optional<std::string> label;
            if (usage->account && usage->account->key == *fileKey)
                label = usage->account->label;
            usage->account = ClaudeAccount{*fileKey, label};
        }
        if (usage->account && !usage->account->label)
            usage->account->label = std::string(ClaudeAccount::otherLabel);
        out.push_back(std::move(*usage));
    }
    return out;
}

std::vector<ProviderUsage> merge(const ProviderUsage& oauth, std::vector<ProviderUsage> into)
{
    std::optional<std::string> account = oauth.account ? std::optional(oauth.account->key) : std::nullopt;
    auto same = std::find_if(into.begin(), into.end(), [&](const ProviderUsage& usage) {
        return usage.provider == oauth.provider
               && (usage.account ? std::optional(usage.account->key) : std::nullopt) == account;
    });
    if (same == into.end())
        into.push_back(oauth);
    else if (same->observedAt <= oauth.observedAt)
        *same = oauth;
    return into;
}

std::ostream& operator<<(std::ostream& out, const Target& target)
{
    return out << "{key " << target.key.value_or("-") << " label " << target.label.value_or("-")
               << (target.adopted ? " adopted" : "") << "}";
}

}  // namespace corvane::ClaudeAccounts
