#pragma once
// The Claude account's usage endpoint, read with Claude Code's own stored
// login when the user allows it. The HTTP client is handed in, so the
// reading and its failures are values.
//
// Linux: Claude Code keeps its login in ".credentials.json" in its
// configuration folder; the read is gated like every credential read.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/agents/ProviderUsage.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane::ClaudeOAuth {

using Environment = std::map<std::string, std::string>;

inline constexpr std::string_view usageURL = "https://api.anthropic.com/api/oauth/usage";
inline constexpr std::string_view betaHeader = "oauth-2025-04-20";
inline constexpr double timeout = 15;
inline constexpr std::string_view source = "Claude usage endpoint";
inline constexpr std::size_t maxCredentials = 64 * 1024;
inline constexpr std::size_t maxResponse = 1024 * 1024;
inline constexpr std::size_t maxToken = 4096;
// No request while the statusline reported this recently, and at most one per `pollEvery`.
inline constexpr double statuslineQuiet = 600;
inline constexpr double pollEvery = 300;

struct Credential {
    std::string token;
    std::optional<WallTime> expiresAt;
    bool operator==(const Credential&) const = default;
};

struct KeychainRead {
    enum class Kind { found, missing, declined };
    Kind kind = Kind::missing;
    std::string data;  // for `found`
    bool operator==(const KeychainRead&) const = default;
};

struct Status {
    enum class Kind { ok, unavailable, noCredential, declined, expired };
    Kind kind = Kind::noCredential;
    std::optional<ProviderUsage> usage;  // for `ok`
    std::optional<int> code;  // for `unavailable`: the HTTP status; none when nothing answered
    bool operator==(const Status&) const = default;
};

struct Request {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    double timeoutSeconds = timeout;
    bool operator==(const Request&) const = default;
};

struct Response {
    int status = 0;
    std::string body;
};

// Performs one GET, caches and cookies off; nothing when no answer came.
using Transport = std::function<std::optional<Response>(const Request&)>;

// $CLAUDE_CONFIG_DIR/.credentials.json, else ~/.claude/.credentials.json.
std::filesystem::path credentialsPath(const Environment& environment, const std::filesystem::path& home);
// What reading the stored login gave: refused by the gate or by the
// file's permissions is `declined`, absent is `missing`.
KeychainRead keychainRead(const Result<std::string>& read, bool allowed);
// `claudeAiOauth.accessToken` and `claudeAiOauth.expiresAt`.
std::optional<Credential> credential(std::string_view data);
Request request(const Credential& credential);
std::optional<ProviderUsage> parse(std::string_view data, WallTime now);
Status fetch(const Credential& credential, WallTime now, const Transport& transport);
Status fetch(const KeychainRead& read, WallTime now, const Transport& transport);
bool shouldPoll(WallTime now, std::optional<WallTime> statuslineAt, std::optional<WallTime> lastPoll);
// The line shown for the endpoint; nothing polled yet is "Waiting for the first check".
std::string statusText(const std::optional<Status>& status);

std::ostream& operator<<(std::ostream& out, const Status& status);

}  // namespace corvane::ClaudeOAuth
