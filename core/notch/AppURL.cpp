#include "core/notch/AppURL.h"

#include <algorithm>

#include "core/base/Ascii.h"

namespace corvane {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool isHostChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool isPathChar(char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '-' || c == '_'; }

// Printable ASCII without space; anything else must arrive percent-encoded.
bool isURLChar(char c) { return c > 0x20 && c < 0x7f; }

}  // namespace

std::optional<AppURL> AppURL::parse(std::string_view text)
{
    if (text.size() > maxLength || !std::all_of(text.begin(), text.end(), isURLChar))
        return std::nullopt;

    if (auto hash = text.find('#'); hash != std::string_view::npos)
        text = text.substr(0, hash);

    std::string_view prefix = "://";
    if (text.size() < scheme.size() + prefix.size() || !equalsIgnoringCase(text.substr(0, scheme.size()), scheme)
        || text.substr(scheme.size(), prefix.size()) != prefix)
        return std::nullopt;
    text.remove_prefix(scheme.size() + prefix.size());

    std::string_view query;
    if (auto mark = text.find('?'); mark != std::string_view::npos) {
        query = text.substr(mark + 1);
        text = text.substr(0, mark);
    }
    // A lone "/" after the host is the same URL.
    std::string_view path;
    if (auto slash = text.find('/'); slash != std::string_view::npos) {
        path = text.substr(slash);
        text = text.substr(0, slash);
        if (path == "/")
            path = {};
        else if (path.size() > 2 && path.back() == '/')
            path.remove_suffix(1);
    }

    AppURL url;
    url.host.reserve(text.size());
    for (char c : text) {
        c = asciiLower(c);
        if (!isHostChar(c))
            return std::nullopt;
        url.host.push_back(c);
    }
    if (url.host.empty())
        return std::nullopt;
    if (!path.empty()) {
        bool takesPath = std::find(hostsWithPath.begin(), hostsWithPath.end(), url.host) != hostsWithPath.end();
        std::string_view segment = path.substr(1);
        if (!takesPath || segment.size() > maxPathLength || !std::all_of(segment.begin(), segment.end(), isPathChar))
            return std::nullopt;
        url.path = path;
    }

    while (!query.empty()) {
        auto amp = query.find('&');
        std::string_view item = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (item.empty())
            continue;
        auto equals = item.find('=');
        auto name = percentDecoded(item.substr(0, equals));
        if (!name)
            return std::nullopt;
        QueryItem decoded{std::move(*name), std::nullopt};
        if (equals != std::string_view::npos) {
            decoded.value = percentDecoded(item.substr(equals + 1));
            if (!decoded.value)
                return std::nullopt;
        }
        url.query.push_back(std::move(decoded));
    }
    return url;
}

std::optional<std::string> AppURL::value(std::string_view name) const
{
    auto item = std::find_if(query.begin(), query.end(), [name](const QueryItem& q) { return q.name == name; });
    if (item == query.end())
        return std::nullopt;
    return item->value;
}

}  // namespace corvane
