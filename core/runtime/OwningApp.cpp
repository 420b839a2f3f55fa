#include "core/runtime/OwningApp.h"

#include <array>

namespace corvane {

namespace {

enum class Kind { systemComponent, systemTool, bundleRoot, developerBundle, applicationData };

struct Rule {
    std::string_view prefix;
    Kind kind;
    bool underHome;  // the prefix follows the home folder
};

constexpr std::array rules{
    Rule{"/usr/libexec/", Kind::systemComponent, false},
    Rule{"/usr/lib/systemd/", Kind::systemComponent, false},
    Rule{"/lib/systemd/", Kind::systemComponent, false},
    Rule{"/usr/sbin/", Kind::systemTool, false},
    Rule{"/sbin/", Kind::systemTool, false},
    Rule{"/snap/", Kind::bundleRoot, false},
    Rule{"/var/lib/flatpak/app/", Kind::bundleRoot, false},
    Rule{"/.local/share/flatpak/app/", Kind::bundleRoot, true},
    // snap's launcher links are not a bundle of their own
    Rule{"/snap/bin/", Kind::developerBundle, false},
    Rule{"/snap/node/", Kind::developerBundle, false},
    Rule{"/snap/deno/", Kind::developerBundle, false},
    Rule{"/snap/bun-js/", Kind::developerBundle, false},
    Rule{"/snap/ruby/", Kind::developerBundle, false},
    Rule{"/snap/dotnet-sdk/", Kind::developerBundle, false},
    Rule{"/.local/share/", Kind::applicationData, true},
    Rule{"/.cache/", Kind::applicationData, true},
    Rule{"/.config/", Kind::applicationData, true},
    Rule{"/Applications/", Kind::applicationData, true},
};

// The part of `path` after the rule's prefix, or nothing when it does not start with it.
std::optional<std::string_view> after(const Rule& rule, std::string_view path, std::string_view home)
{
    if (rule.underHome) {
        if (home.empty() || !path.starts_with(home))
            return std::nullopt;
        path.remove_prefix(home.size());
    }
    if (!path.starts_with(rule.prefix))
        return std::nullopt;
    return path.substr(rule.prefix.size());
}

bool matchesKind(std::string_view path, std::string_view home, Kind kind)
{
    for (const Rule& rule : rules) {
        if (rule.kind == kind && after(rule, path, home))
            return true;
    }
    return false;
}

}  // namespace

bool OwningApp::isSystemPath(std::string_view path)
{
    return matchesKind(path, {}, Kind::systemComponent) || matchesKind(path, {}, Kind::systemTool);
}

bool OwningApp::isOperatingSystemComponent(std::string_view path)
{
    return matchesKind(path, {}, Kind::systemComponent);
}

std::optional<std::string> OwningApp::bundle(std::string_view path, std::string_view home)
{
    for (const Rule& rule : rules) {
        if (rule.kind != Kind::bundleRoot)
            continue;
        auto rest = after(rule, path, home);
        if (!rest || rest->empty() || matchesKind(path, home, Kind::developerBundle))
            continue;
        std::size_t slash = rest->find('/');
        if (slash == 0)
            continue;
        std::size_t end = path.size() - rest->size() + (slash == std::string_view::npos ? rest->size() : slash);
        return std::string(path.substr(0, end));
    }
    return std::nullopt;
}

bool OwningApp::isApplicationData(std::string_view path, std::string_view home)
{
    return matchesKind(path, home, Kind::applicationData);
}

std::string OwningApp::name(std::string_view bundlePath)
{
    while (bundlePath.size() > 1 && bundlePath.back() == '/')
        bundlePath.remove_suffix(1);
    auto slash = bundlePath.rfind('/');
    return std::string(slash == std::string_view::npos ? bundlePath : bundlePath.substr(slash + 1));
}

}  // namespace corvane
