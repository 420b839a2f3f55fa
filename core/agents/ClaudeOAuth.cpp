#include "core/agents/ClaudeOAuth.h"

#include <algorithm>
#include <ostream>

#include "core/agents/ClaudeStatusline.h"
#include "core/agents/Iso8601.h"
#include "core/base/JsonStore.h"

namespace corvane::ClaudeOAuth {

namespace {

const Json* object(const Json& parent, std::string_view key)
{
    auto found = parent.find(key);
    return found != parent.end() && found->is_object() ? &*found : nullptr;
}

bool isHeaderSafe(std::string_view token)
{
    return !token.empty() && token.size() <= maxToken
           && std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// Expiry times are stored in milliseconds; a value too small for that is seconds.
std::optional<WallTime> expiry(const Json& value)
{
    if (!value.is_number())
        return std::nullopt;
    double number = value.get<double>();
    return WallTime::fromUnixSeconds(number > 1e11 ? number / 1000 : number);
}

std::optional<WallTime> resetTime(const Json& value)
{
    if (value.is_number())
        return WallTime::fromUnixSeconds(value.get<double>());
    if (!value.is_string())
        return std::nullopt;
    std::string text = value.get<std::string>();
    if (auto parsed = parseTranscriptTimestamp(text))
        return parsed;
    // The same form without a fraction of a second.
    if (text.size() > 19 && text[19] != '.')
        return parseTranscriptTimestamp(text.insert(19, ".0"));
    return std::nullopt;
}

}  // namespace

std::filesystem::path credentialsPath(const Environment& environment, const std::filesystem::path& home)
{
    if (auto folder = environment.find("CLAUDE_CONFIG_DIR"); folder != environment.end() && !folder->second.empty())
        return std::filesystem::path(folder->second) / ".credentials.json";
    return home / ".claude" / ".credentials.json";
}

KeychainRead keychainRead(const Result<std::string>& read, bool allowed)
{
    if (!allowed)
        return {KeychainRead::Kind::declined, {}};
    if (read.ok())
        return {KeychainRead::Kind::found, read.value()};
    if (read.error().code == Error::Code::PermissionDenied)
        return {KeychainRead::Kind::declined, {}};
    return {KeychainRead::Kind::missing, {}};
}

std::optional<Credential> credential(std::string_view data)
{
    if (data.size() > maxCredentials)
        return std::nullopt;
    Json document = Json::parse(data, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    const Json* oauth = object(document, "claudeAiOauth");
    if (oauth == nullptr)
        return std::nullopt;
    auto token = oauth->find("accessToken");
    if (token == oauth->end() || !token->is_string() || !isHeaderSafe(token->get<std::string>()))
        return std::nullopt;
    Credential made{token->get<std::string>(), std::nullopt};
    if (auto expires = oauth->find("expiresAt"); expires != oauth->end())
        made.expiresAt = expiry(*expires);
    return made;
}

Request request(const Credential& credential)
{
    return Request{std::string(usageURL),
                   {{"Authorization", "Bearer " + credential.token},
                    {"anthropic-beta", std::string(betaHeader)},
                    {"Accept", "application/json"}},
                   timeout};
}

std::optional<ProviderUsage> parse(std::string_view data, WallTime now)
{
    if (data.size() > maxResponse)
        return std::nullopt;
    Json document = Json::parse(data, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    ProviderUsage usage{AIProviderID::claudeCode, {}, std::nullopt, now, std::nullopt};
    for (const ClaudeStatusline::WindowKind& kind : ClaudeStatusline::windowKinds) {
        const Json* window = object(document, kind.jsonKey);
        if (window == nullptr)
            continue;
        auto used = window->find("utilization");
        if (used == window->end() || !used->is_number())
            continue;
        std::optional<WallTime> resetsAt;
        if (auto reset = window->find("resets_at"); reset != window->end())
            resetsAt = resetTime(*reset);
        usage.windows.push_back(kind.window(used->get<double>(), resetsAt, source, now));
    }
    return usage;
}

Status fetch(const Credential& credential, WallTime now, const Transport& transport)
{
    if (credential.expiresAt && *credential.expiresAt <= now)
        return Status{Status::Kind::expired, std::nullopt, std::nullopt};
    std::optional<Response> response = transport(request(credential));
    if (!response)
        return Status{Status::Kind::unavailable, std::nullopt, std::nullopt};
    if (response->status < 200 || response->status > 299)
        return Status{Status::Kind::unavailable, std::nullopt, response->status};
    std::optional<ProviderUsage> usage = parse(response->body, now);
    if (!usage)
        return Status{Status::Kind::unavailable, std::nullopt, response->status};
    return Status{Status::Kind::ok, std::move(usage), std::nullopt};
}

Status fetch(const KeychainRead& read, WallTime now, const Transport& transport)
{
    switch (read.kind) {
    case KeychainRead::Kind::declined:
        return Status{Status::Kind::declined, std::nullopt, std::nullopt};
    case KeychainRead::Kind::missing:
        return Status{Status::Kind::noCredential, std::nullopt, std::nullopt};
    case KeychainRead::Kind::found:
        break;
    }
    std::optional<Credential> found = credential(read.data);
    if (!found)
        return Status{Status::Kind::noCredential, std::nullopt, std::nullopt};
    return fetch(*found, now, transport);
}

bool shouldPoll(WallTime now, std::optional<WallTime> statuslineAt, std::optional<WallTime> lastPoll)
{
    if (statuslineAt && now.secondsSince(*statuslineAt) <= statuslineQuiet)
        return false;
    return !lastPoll || now.secondsSince(*lastPoll) >= pollEvery;
}

std::string statusText(const std::optional<Status>& status)
{
    if (!status)
        return "Waiting for the first check";
    switch (status->kind) {
    case Status::Kind::ok:
        return {};
    case Status::Kind::unavailable:
        if (!status->code)
            return "Anthropic couldn't be reached";
        return "Anthropic answered HTTP " + std::to_string(*status->code) + " — the unofficial endpoint may have changed";
    case Status::Kind::noCredential:
        return "Claude Code isn't signed in on this computer";
    case Status::Kind::declined:
        return "Keychain access was declined — turn this off and on to ask again";
    case Status::Kind::expired:
        return "Sign-in expired — open Claude Code to refresh it";
    }
    return {};
}

std::ostream& operator<<(std::ostream& out, const Status& status)
{
    out << "{" << static_cast<int>(status.kind);
    if (status.code)
        out << " HTTP " << *status.code;
    if (status.usage)
        out << " " << *status.usage;
    return out << "}";
}

}  // namespace corvane::ClaudeOAuth
