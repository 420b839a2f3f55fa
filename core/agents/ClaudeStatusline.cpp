#include "core/agents/ClaudeStatusline.h"

#include <algorithm>

#include "core/base/JsonStore.h"

namespace corvane::ClaudeStatusline {

namespace {

std::optional<double> number(const Json& object, std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_number())
        return std::nullopt;
    return found->get<double>();
}

std::optional<WallTime> unixTime(const Json& object, std::string_view key)
{
    if (auto seconds = number(object, key))
        return WallTime::fromUnixSeconds(*seconds);
    return std::nullopt;
}

const Json* member(const Json& object, std::string_view key)
{
    auto found = object.find(key);
    return found != object.end() && found->is_object() ? &*found : nullptr;
}

std::optional<ClaudeAccount> accountFrom(const Json& document)
{
    const Json* account = member(document, "account");
    if (account == nullptr)
        return std::nullopt;
    auto key = account->find("key");
    if (key == account->end() || !key->is_string() || key->get<std::string>().empty())
        return std::nullopt;
    ClaudeAccount made{key->get<std::string>(), std::nullopt};
    if (auto label = account->find("label"); label != account->end() && label->is_string())
        made.label = label->get<std::string>();
    return made;
}

std::optional<Json> parseObject(std::string_view data)
{
    if (data.size() > maxStdin)
        return std::nullopt;
    Json document = Json::parse(data, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    return document;
}

double unixSeconds(WallTime time) { return time.unixSeconds(); }

}  // namespace

UsageWindow WindowKind::window(double percent, std::optional<WallTime> resetsAt, std::string_view source,
                               WallTime observedAt) const
{
    return UsageWindow{std::string(id), std::string(label), std::clamp(percent, 0.0, 100.0), resetsAt, minutes,
                       std::string(source), observedAt};
}

std::optional<ProviderUsage> parse(std::string_view data, WallTime now)
{
    std::optional<Json> document = parseObject(data);
    if (!document)
        return std::nullopt;
    ProviderUsage usage;
    usage.provider = AIProviderID::claudeCode;
    usage.observedAt = unixTime(*document, "observed_at").value_or(now);
    if (const Json* limits = member(*document, "rate_limits")) {
        for (const WindowKind& kind : windowKinds) {
            const Json* window = member(*limits, kind.jsonKey);
            std::optional<double> used = window ? number(*window, "used_percentage") : std::nullopt;
            if (!used)
                continue;
            usage.windows.push_back(kind.window(*used, unixTime(*window, "resets_at"), source,
                                                unixTime(*window, "observed_at").value_or(usage.observedAt)));
        }
    }
    if (const Json* context = member(*document, "context_window")) {
        if (auto used = number(*context, "used_percentage"))
            usage.contextPercent = std::clamp(*used, 0.0, 100.0);
    }
    usage.account = accountFrom(*document);
    return usage;
}

std::string encode(const ProviderUsage& usage)
{
    Json document = {{"observed_at", unixSeconds(usage.observedAt)}};
    Json limits = Json::object();
    for (const UsageWindow& window : usage.windows) {
        auto kind = std::find_if(windowKinds.begin(), windowKinds.end(),
                                 [&](const WindowKind& k) { return k.id == window.id; });
        if (kind == windowKinds.end())
            continue;
        Json encoded = {{"used_percentage", window.usedPercent}, {"observed_at", unixSeconds(window.observedAt)}};
        if (window.resetsAt)
            encoded["resets_at"] = unixSeconds(*window.resetsAt);
        limits[std::string(kind->jsonKey)] = std::move(encoded);
    }
    if (!limits.empty())
        document["rate_limits"] = std::move(limits);
    if (usage.contextPercent)
        document["context_window"] = {{"used_percentage", *usage.contextPercent}};
    if (usage.account) {
        Json account = {{"key", usage.account->key}};
        if (usage.account->label)
            account["label"] = *usage.account->label;
        document["account"] = std::move(account);
    }
    return document.dump();
}

std::optional<std::string> normalize(std::string_view input, WallTime now)
{
    std::optional<ProviderUsage> usage = parse(input, now);
    if (!usage)
        return std::nullopt;
    // The input's own account fields mean nothing here; the helper stamps the login it found.
    usage->account.reset();
    usage->observedAt = now;
    for (UsageWindow& window : usage->windows)
        window.observedAt = now;
    return encode(*usage);
}

std::string carryOver(std::string_view data, std::string_view previous, WallTime now)
{
    std::optional<ProviderUsage> fresh = parse(data, now);
    if (!fresh)
        return std::string(previous);
    std::optional<ProviderUsage> before = parse(previous, now);
    if (!before)
        return std::string(data);
    for (const UsageWindow& window : before->current(now).windows) {
        bool present = std::any_of(fresh->windows.begin(), fresh->windows.end(),
                                   [&](const UsageWindow& w) { return w.id == window.id; });
        if (!present)
            fresh->windows.push_back(window);
    }
    // Keep the windows in their fixed order whatever was carried.
    std::stable_sort(fresh->windows.begin(), fresh->windows.end(), [](const UsageWindow& a, const UsageWindow& b) {
        return a.id == windowKinds[0].id && b.id != windowKinds[0].id;
    });
    if (!fresh->contextPercent)
        fresh->contextPercent = before->contextPercent;
    if (!fresh->account)
        fresh->account = before->account;
    return encode(*fresh);
}

bool isUnchanged(std::string_view data, std::string_view previous, WallTime now)
{
    std::optional<ProviderUsage> fresh = parse(data, now);
    std::optional<ProviderUsage> before = parse(previous, now);
    if (!fresh || !before || now.secondsSince(before->observedAt) >= refreshAfter)
        return false;
    if (fresh->contextPercent != before->contextPercent || fresh->account != before->account
        || fresh->windows.size() != before->windows.size())
        return false;
    for (std::size_t i = 0; i < fresh->windows.size(); ++i) {
        const UsageWindow& a = fresh->windows[i];
        const UsageWindow& b = before->windows[i];
        if (a.id != b.id || a.usedPercent != b.usedPercent || a.resetsAt != b.resetsAt)
            return false;
    }
    return true;
}

std::string compactLine(const ProviderUsage& usage)
{
    std::string line;
    auto piece = [&](const std::string& text) {
        if (!line.empty())
            line += " · ";
        line += text;
    };
    for (const UsageWindow& window : usage.windows)
        piece(LimitWindowText::compactLabel(window.label) + " " + LimitWindowText::percent(window.usedPercent));
    if (usage.contextPercent)
        piece("ctx " + LimitWindowText::percent(*usage.contextPercent));
    return line;
}

}  // namespace corvane::ClaudeStatusline
