#include "core/runtime/PortOrigin.h"

#include <array>

#include "core/base/Ascii.h"
#include "core/runtime/OwningApp.h"

namespace corvane {

namespace {

constexpr std::array debuggerPorts{9229, 9230};
constexpr std::array<std::string_view, 2> portForwarders{"kubectl", "cloudflared"};
// Homebrew's cellar, its macOS prefix and the Linux prefix /home/linuxbrew/.linuxbrew.
constexpr std::array<std::string_view, 3> homebrewFolders{"/Cellar/", "/homebrew/", "/.linuxbrew/"};
// Engines and the helpers that publish container ports on the host (the
// last four are rootless Docker's and Podman's forwarders).
constexpr std::array<std::string_view, 10> containerNames{
    "docker", "orbstack", "vpnkit", "colima", "limactl", "ssh", "rootlessport", "slirp4netns", "pasta", "podman",
};
constexpr std::array<std::string_view, 3> containerPaths{"/docker-desktop/", "/colima", "/lima"};

template <typename List>
bool anyContained(std::string_view text, const List& needles)
{
    for (std::string_view needle : needles) {
        if (text.find(needle) != std::string_view::npos)
            return true;
    }
    return false;
}

}  // namespace

PortOrigin PortOrigin::classify(std::string_view name, std::string_view path, std::string_view command, int port,
                                bool own, std::string_view home)
{
    for (int debuggerPort : debuggerPorts) {
        if (port == debuggerPort)
            return of(Kind::debugger);
    }
    if (command.find("--inspect") != std::string_view::npos)
        return of(Kind::debugger);
    std::string lowerName = asciiLowercased(name);
    for (std::string_view forwarder : portForwarders) {
        if (lowerName == forwarder)
            return of(Kind::portForward);
    }
    if (anyContained(path, homebrewFolders))
        return of(Kind::homebrew);
    if (!own || OwningApp::isSystemPath(path))
        return of(Kind::system);
    if (!path.starts_with('/'))
        return of(Kind::process);
    if (auto bundle = OwningApp::bundle(path, home))
        return app(OwningApp::name(*bundle));
    return of(Kind::process);
}

bool PortOrigin::isContainerRuntime(std::string_view name, std::string_view path)
{
    return anyContained(asciiLowercased(name), containerNames) || anyContained(asciiLowercased(path), containerPaths);
}

std::string PortOrigin::title() const
{
    if (const App* application = std::get_if<App>(&value))
        return application->name;
    switch (std::get<Kind>(value)) {
    case Kind::homebrew: return "Homebrew service";
    case Kind::debugger: return "Debugger";
    case Kind::system: return "System";
    case Kind::portForward: return "Port forward";
    case Kind::process: return "Process";
    }
    return "Process";
}

}  // namespace corvane
