#include "core/calendar/MeetingLink.h"

#include <algorithm>
#include <vector>

#include "core/base/Ascii.h"

namespace corvane::MeetingLink {

namespace {

// The parts of an absolute URL that validation looks at.
struct URLParts {
    std::string scheme;  // lower case
    bool hasUserInfo = false;
    bool hasPort = false;
    std::string host;  // lower case
    std::string path;  // percent-decoded; a trailing slash after a segment dropped
    std::vector<std::pair<std::string, std::string>> query;  // percent-decoded
};

// Unreserved and reserved characters of RFC 3986, and the percent sign.
bool isURLCharacter(char c)
{
    static constexpr std::string_view marks = "-._~:/?#[]@!$&'()*+,;=%";
    return isAsciiAlpha(c) || isAsciiDigit(c) || marks.find(c) != std::string_view::npos;
}

std::optional<URLParts> parseURL(std::string_view text)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), isURLCharacter))
        return std::nullopt;
    URLParts parts;
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAsciiAlpha(text[0]))
        return std::nullopt;
    for (char c : text.substr(0, colon)) {
        if (!isAsciiAlpha(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.')
            return std::nullopt;
    }
    parts.scheme = asciiLowercased(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);
    if (!rest.starts_with("//"))
        return std::nullopt;
    rest.remove_prefix(2);

    std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        parts.hasUserInfo = true;
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    if (authority.starts_with('[')) {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = authority.substr(0, close + 1);
        authority.remove_prefix(close + 1);
        if (!authority.empty() && authority[0] != ':')
            return std::nullopt;
        parts.hasPort = !authority.empty();
    } else if (std::size_t portColon = authority.find(':'); portColon != std::string_view::npos) {
        host = authority.substr(0, portColon);
        parts.hasPort = true;
    }
    // Escapes in a host only serve to disguise it.
    if (host.find('%') != std::string_view::npos
        || (host.find_first_of("[]") != std::string_view::npos && !host.starts_with('[')))
        return std::nullopt;
    parts.host = asciiLowercased(host);

    std::size_t fragment = rest.find('#');
    if (fragment != std::string_view::npos) {
        if (rest.find('#', fragment + 1) != std::string_view::npos)
            return std::nullopt;
        rest = rest.substr(0, fragment);
    }
    std::size_t question = rest.find('?');
    std::string_view path = rest.substr(0, question);
    if (path.find_first_of("[]") != std::string_view::npos)
        return std::nullopt;
    auto decodedPath = percentDecoded(path);
    if (!decodedPath)
        return std::nullopt;
    parts.path = std::move(*decodedPath);
    // A trailing slash does not change which meeting a link names.
    if (parts.path.size() > 1 && parts.path.back() == '/')
        parts.path.pop_back();

    if (question != std::string_view::npos) {
        std::string_view query = rest.substr(question + 1);
        while (!query.empty()) {
            std::size_t amp = query.find('&');
            std::string_view item = query.substr(0, amp);
            query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
            std::size_t equals = item.find('=');
            auto name = percentDecoded(item.substr(0, equals));
            std::string_view rawValue = equals == std::string_view::npos ? std::string_view{} : item.substr(equals + 1);
            auto value = percentDecoded(rawValue);
            if (!name || !value)
                return std::nullopt;
            parts.query.emplace_back(std::move(*name), std::move(*value));
        }
    }
    return parts;
}

bool allOf(std::string_view text, bool (*accept)(char)) { return std::all_of(text.begin(), text.end(), accept); }

bool isZoomHost(std::string_view host) { return host == "zoom.us" || host.ends_with(".zoom.us"); }

bool isWebexHost(std::string_view host)
{
    static constexpr std::string_view domain = ".webex.com";
    if (!host.ends_with(domain) || host.size() == domain.size())
        return false;
    return allOf(host.substr(0, host.size() - domain.size()),
                 [](char c) { return (c >= 'a' && c <= 'z') || isAsciiDigit(c) || c == '-'; });
}

// "^/[a-z]{3}-[a-z]{4}-[a-z]{3}$"
bool isMeetPath(std::string_view path)
{
    if (path.size() != 13 || path[0] != '/' || path[4] != '-' || path[9] != '-')
        return false;
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (i != 4 && i != 9 && !(path[i] >= 'a' && path[i] <= 'z'))
            return false;
    }
    return true;
}

// The Zoom client's own address for a "/j/<meeting number>" link.
std::optional<std::string> zoomAppURL(const URLParts& parts)
{
    std::vector<std::string_view> segments;
    std::string_view path = parts.path;
    while (!path.empty()) {
        std::size_t slash = path.find('/');
        if (slash != 0)
            segments.push_back(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    }
    if (segments.size() < 2 || segments[0] != "j")
        return std::nullopt;
    std::string_view number = segments[1];
    if (number.size() < 9 || number.size() > 12 || !allOf(number, isAsciiDigit))
        return std::nullopt;
    std::string app = "zoommtg://zoom.us/join?confno=" + std::string(number);
    auto password = std::find_if(parts.query.begin(), parts.query.end(),
                                 [](const auto& item) { return item.first == "pwd"; });
    if (password != parts.query.end()) {
        const std::string& value = password->second;
        bool safe = !value.empty() && value.size() <= 100 && allOf(value, [](char c) {
            return isAsciiAlpha(c) || isAsciiDigit(c) || c == '.' || c == '_' || c == '-';
        });
        if (safe)
            app += "&pwd=" + value;
    }
    return app;
}

std::optional<Service> serviceFor(const URLParts& parts)
{
    const std::string& host = parts.host;
    const std::string& path = parts.path;
    if (isZoomHost(host))
        return path.starts_with("/j/") || path.starts_with("/my/") || path.starts_with("/w/")
            ? std::optional(Service::zoom)
            : std::nullopt;
    if (host == "meet.google.com")
        return isMeetPath(path) ? std::optional(Service::meet) : std::nullopt;
    if (host == "teams.microsoft.com" || host == "teams.live.com")
        return path.starts_with("/l/meetup-join") || path.starts_with("/meet/") ? std::optional(Service::teams)
                                                                                 : std::nullopt;
    if (isWebexHost(host))
        return path.size() >= 2 ? std::optional(Service::webex) : std::nullopt;
    return std::nullopt;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Matches of "https://[^\s<>"'()]+" (case-insensitive), left to right.
std::vector<std::string_view> candidates(std::string_view text)
{
    static constexpr std::string_view prefix = "https://";
    static constexpr std::string_view stops = "<>\"'()";
    std::vector<std::string_view> out;
    std::string lower = asciiLowercased(text);
    std::size_t from = 0;
    while (out.size() < static_cast<std::size_t>(maxCandidates)) {
        std::size_t start = lower.find(prefix, from);
        if (start == std::string::npos)
            break;
        std::size_t end = start + prefix.size();
        while (end < text.size() && !isSpace(text[end]) && stops.find(text[end]) == std::string_view::npos)
            ++end;
        if (end == start + prefix.size()) {
            from = start + 1;
            continue;
        }
        out.push_back(text.substr(start, end - start));
        from = end;
    }
    return out;
}

std::optional<Link> firstLinkIn(std::string_view text)
{
    if (text.size() > maxTextBytes)
        return std::nullopt;
    for (std::string_view candidate : candidates(text)) {
        while (!candidate.empty() && std::string_view(".,;:!?").find(candidate.back()) != std::string_view::npos)
            candidate.remove_suffix(1);
        if (auto link = validate(candidate))
            return link;
    }
    return std::nullopt;
}

}  // namespace

std::string_view title(Service service)
{
    switch (service) {
    case Service::zoom: return "Zoom";
    case Service::meet: return "Google Meet";
    case Service::teams: return "Teams";
    case Service::webex: return "Webex";
    }
    return {};
}

std::optional<Link> validate(std::string_view url)
{
    if (url.size() >= maxURLLength)
        return std::nullopt;
    auto parts = parseURL(url);
    if (!parts || parts->scheme != "https" || parts->hasUserInfo || parts->hasPort || parts->host.empty())
        return std::nullopt;
    auto service = serviceFor(*parts);
    if (!service)
        return std::nullopt;
    Link link{*service, std::string(url), std::nullopt};
    if (*service == Service::zoom)
        link.appURL = zoomAppURL(*parts);
    return link;
}

std::optional<Link> detect(const std::optional<std::string>& url, const std::optional<std::string>& notes,
                           const std::optional<std::string>& location)
{
    if (url) {
        if (auto link = validate(*url))
            return link;
    }
    for (const auto* text : {&location, &notes}) {
        if (!*text)
            continue;
        if (auto link = firstLinkIn(**text))
            return link;
    }
    return std::nullopt;
}

}  // namespace corvane::MeetingLink
