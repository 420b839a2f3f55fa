#include "core/notch/InboundEar.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <sys/stat.h>

#include "core/base/Ascii.h"
#include "core/base/Utf8.h"
#include "core/notch/AppURL.h"

namespace corvane {

namespace {

constexpr std::array<std::string_view, 15> symbols{
    "terminal",         "hammer",       "hammer.fill", "checkmark.circle.fill", "xmark.circle.fill",
    "exclamationmark.triangle.fill", "bell.fill", "film.fill", "arrow.down.circle.fill", "arrow.up.circle.fill",
    "sparkles",         "cpu",          "clock",       "bolt.fill",             "shippingbox.fill",
};

// Extensions whose files run or install something when opened. The first
// 29 are the other desktop's; the rest are what launches on Linux desktops.
constexpr std::array<std::string_view, 40> launchableExtensions{
    "app", "command", "tool", "terminal", "sh", "zsh", "bash", "fish", "py", "rb", "pl", "js", "scpt", "applescript",
    "scptd", "workflow", "action", "pkg", "mpkg", "dmg", "webloc", "inetloc", "fileloc", "shortcut", "prefpane", "kext",
    "jar", "exe", "url",
    "desktop", "appimage", "run", "deb", "rpm", "snap", "flatpak", "flatpakref", "flatpakrepo", "ksh", "csh",
};

// Control characters (C0, DEL and C1) become spaces, the result is trimmed
// and cut to `maxText` characters.
std::string cleanText(std::string_view raw)
{
    std::string repaired = repairedUTF8(raw);
    std::string spaced;
    spaced.reserve(repaired.size());
    for (std::size_t i = 0; i < repaired.size();) {
        auto lead = static_cast<unsigned char>(repaired[i]);
        std::size_t length = utf8SequenceLength(lead);
        bool c1 = lead == 0xC2 && static_cast<unsigned char>(repaired[i + 1]) < 0xA0;
        if (lead < 0x20 || lead == 0x7F || c1)
            spaced.push_back(' ');
        else
            spaced.append(repaired, i, length);
        i += length;
    }

    std::string_view text = spaced;
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size() && characters < InboundEar::maxText; ++characters)
        end += utf8SequenceLength(static_cast<unsigned char>(text[end]));
    text = text.substr(0, end);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// A decimal number; strtod alone would also take hexadecimal, "inf" and "nan".
std::optional<double> finiteNumber(const std::optional<std::string>& text)
{
    auto isNumberChar = [](char c) { return isAsciiDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'; };
    if (!text || text->empty() || !std::all_of(text->begin(), text->end(), isNumberChar))
        return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(text->c_str(), &end);
    if (end != text->c_str() + text->size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Up to six dot-separated runs of lower-case letters and digits.
bool isSymbolName(std::string_view name)
{
    std::size_t segments = 0;
    while (true) {
        auto dot = name.find('.');
        std::string_view segment = name.substr(0, dot);
        if (segment.empty() || !std::all_of(segment.begin(), segment.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || isAsciiDigit(c);
            }))
            return false;
        if (++segments > 6)
            return false;
        if (dot == std::string_view::npos)
            return true;
        name.remove_prefix(dot + 1);
    }
}

bool isTint(std::string_view hex)
{
    return hex.size() == 7 && hex[0] == '#'
           && std::all_of(hex.begin() + 1, hex.end(), [](char c) { return hexDigitValue(c) >= 0; });
}

}  // namespace

const std::array<std::string_view, 15>& InboundEar::allowedSymbols() { return symbols; }

std::optional<InboundEar> InboundEar::parse(std::string_view text, const SymbolCheck& isSymbol,
                                            const ExecutableCheck& isExecutable)
{
    auto url = AppURL::parse(text);
    if (!url || url->host != "ear")
        return std::nullopt;
    bool hasClearItem = std::any_of(url->query.begin(), url->query.end(),
                                    [](const AppURL::QueryItem& item) { return item.name == "clear"; });
    if (url->path == "/clear" || hasClearItem)
        return InboundEar{Clear{url->value("id")}};
    if (!url->path.empty())
        return std::nullopt;

    Request request;
    request.text = cleanText(url->value("text").value_or(""));
    if (auto progress = finiteNumber(url->value("progress")))
        request.progress = std::clamp(*progress, 0.0, 1.0);
    if (request.text.empty() && !request.progress)
        return std::nullopt;

    request.symbol = std::string(defaultSymbol);
    if (auto symbol = url->value("symbol")) {
        bool allowed = std::find(symbols.begin(), symbols.end(), *symbol) != symbols.end();
        if (allowed || (isSymbolName(*symbol) && isSymbol(*symbol)))
            request.symbol = *symbol;
    }
    if (auto tint = url->value("tint"); tint && isTint(*tint))
        request.tintHex = *tint;

    request.ttl = defaultTTL;
    if (auto ttl = finiteNumber(url->value("ttl")); ttl && *ttl > 0)
        request.ttl = std::min(*ttl, maxTTL);

    if (auto open = url->value("open"); open && open->starts_with('/') && open->find('\0') == std::string::npos
                                        && open->size() <= maxOpenPath && opensSafely(*open, isExecutable))
        request.openPath = *open;

    auto id = url->value("id");
    request.id = id && !id->empty() ? *id : std::string(defaultID);
    return InboundEar{std::move(request)};
}

bool InboundEar::opensSafely(std::string_view path, const ExecutableCheck& isExecutable)
{
    if (isExecutable(path))
        return false;
    // "/Applications/Tool.app/" names the same bundle as without the slash.
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    std::string_view name = path.substr(path.find_last_of('/') + 1);
    auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return true;
    std::string extension = asciiLowercased(name.substr(dot + 1));
    return std::find(launchableExtensions.begin(), launchableExtensions.end(), extension) == launchableExtensions.end();
}

bool InboundEar::isExecutableFile(std::string_view path)
{
    struct stat info {};
    if (::stat(std::string(path).c_str(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

std::string InboundEar::activityID(std::string_view id) { return "inbound." + std::string(id); }

Activity InboundEar::activity(const Request& request, WallTime now)
{
    EarContent left = request.progress ? EarContent::progress(*request.progress) : EarContent::symbol(request.symbol);
    EarContent right = !request.text.empty() ? EarContent::text(request.text)
                                             : EarContent::progressPercent(request.progress.value_or(0));
    return Activity{
        .id = activityID(request.id),
        .moduleID = std::string(moduleID),
        .kind = std::string(kind),
        .priority = priority,
        .left = std::move(left),
        .right = std::move(right),
        .tintHex = request.tintHex,
        .createdAt = now,
        .expiresAt = now.plusSeconds(request.ttl),
    };
}

void InboundEarBook::show(const InboundEar::Request& request, WallTime now)
{
    until_.insert_or_assign(request.id, now.plusSeconds(request.ttl));
}

std::vector<std::string> InboundEarBook::clear(const std::optional<std::string>& id)
{
    return removeIf([&](const auto& entry) { return !id || entry.first == *id; });
}

std::vector<std::string> InboundEarBook::expire(WallTime now)
{
    return removeIf([now](const auto& entry) { return entry.second <= now; });
}

std::optional<WallTime> InboundEarBook::nextExpiry() const
{
    std::optional<WallTime> earliest;
    for (const auto& [id, until] : until_) {
        if (!earliest || until < *earliest)
            earliest = until;
    }
    return earliest;
}

}  // namespace corvane
