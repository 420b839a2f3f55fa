#pragma once
// Who opened a listening port that is not a development server: an
// installed application, a Homebrew service, a debugger, the system, a port
// forward, or just some process.

#include <string>
#include <string_view>
#include <variant>

namespace corvane {

struct PortOrigin {
    struct App {
        std::string name;
        bool operator==(const App&) const = default;
    };
    enum class Kind { homebrew, debugger, system, portForward, process };

    std::variant<App, Kind> value = Kind::process;

    static PortOrigin app(std::string name) { return {App{std::move(name)}}; }
    static PortOrigin of(Kind kind) { return {kind}; }

    // The first rule that matches wins: debugger ports or "--inspect",
    // port forwarders, Homebrew's folders, other users, system paths,
    // relative paths, application bundles, anything else.
    static PortOrigin classify(std::string_view name, std::string_view path, std::string_view command, int port,
                               bool own, std::string_view home);
    // Container engines and their port publishers, whose ports are shown
    // with the containers instead.
    static bool isContainerRuntime(std::string_view name, std::string_view path);

    // The app's name, "Homebrew service", "Debugger", "System", "Port forward", "Process".
    std::string title() const;

    bool operator==(const PortOrigin&) const = default;
};

}  // namespace corvane
