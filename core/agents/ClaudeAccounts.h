#pragma once
// Which Claude login a statusline reading belongs to. The helper finds the
// login in Claude Code's configuration file and writes its readings to
// "claude.json", or to "claude.<key>.json" when that file already belongs
// to another login; the app reads every such file as one reading per
// account.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/ProviderUsage.h"
#include "core/base/JsonStore.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane::ClaudeAccounts {

using Environment = std::map<std::string, std::string>;

inline constexpr std::string_view legacyFile = "claude.json";
// The endpoint's reading; never a login's key, which comes from a hexadecimal id.
inline constexpr std::string_view oauthKey = "oauth";
inline constexpr std::size_t maxConfig = 8'388'608;
inline constexpr std::size_t maxFiles = 8;
inline constexpr std::size_t maxKeyLength = 16;
inline constexpr double maxAge = 691'200;  // status files older than 8 days are ignored

struct Identity {
    std::string key;
    std::optional<std::string> label;
    bool operator==(const Identity&) const = default;
};

enum class Relation { same, conflict, unknown };

// Where the helper writes: the legacy file when `adopted` (stamped with the
// key when there is one), else the key's own file.
struct Target {
    std::optional<std::string> key;
    std::optional<std::string> label;
    bool adopted = false;
    bool operator==(const Target&) const = default;
};

// What the legacy file says about itself.
struct Legacy {
    std::optional<ClaudeAccount> account;
    WallTime observedAt;
};

// One status file as read from the folder.
struct StatusFile {
    std::string name;
    std::string data;
    WallTime modifiedAt;
};

// $CLAUDE_CONFIG_DIR/.claude.json when set, else ~/.claude.json.
std::filesystem::path configPath(const Environment& environment, const std::filesystem::path& home);
Result<Json> readConfig(const std::filesystem::path& path);
// `oauthAccount.accountUuid` as a key, `emailAddress` or `displayName` as the label.
std::optional<Identity> identity(const Json& config);

// 1 to 16 ASCII letters or digits.
bool isValidKey(std::string_view key);
// "claude." + key + ".json".
std::string fileName(std::string_view key);
// The key of an account file's name; nothing for any other name, the legacy file's included.
std::optional<std::string> key(std::string_view fileName);
bool isStatusFile(std::string_view fileName);

Relation relation(const std::optional<std::string>& a, const std::optional<std::string>& b);

// A login keeps its own file once it has one; otherwise it takes the legacy
// file when that is free (absent, unstamped, older than `maxAge`) or
// already its own, and its own file when another login holds it. Without a
// login the legacy file is written as it is.
Target resolve(const std::optional<Legacy>& status, const std::optional<Identity>& login,
               const std::vector<std::string>& accounts, WallTime now);
// The status file of a target.
std::string targetFile(const Target& target);
// The status bytes marked with the target's account.
std::string stamp(std::string_view data, const Target& target);

// The status files of a folder, newest first, at most `maxFiles`, none older than `maxAge`.
std::vector<StatusFile> files(const std::filesystem::path& folder, WallTime now);
// One reading per file, each with its account.
std::vector<ProviderUsage> usages(const std::vector<StatusFile>& files, WallTime now);
// The endpoint's reading added to the list, replacing an older reading of the same account.
std::vector<ProviderUsage> merge(const ProviderUsage& oauth, std::vector<ProviderUsage> into);

std::ostream& operator<<(std::ostream& out, const Target& target);

}  // namespace corvane::ClaudeAccounts
