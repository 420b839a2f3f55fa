#pragma once
// The desktop's terminal: $TERMINAL when it names a program on PATH, else
// Debian's `x-terminal-emulator` (the alternative the desktop set), else the
// first of the common desktops' own terminals on PATH. The terminal is
// started detached, in the command's folder, so it is not our child and
// stays open after we quit.
//
// How each terminal takes the folder and the command: GNOME's and Xfce's
// terminals may open the window from a server that is already running, so
// they are told the folder with `--working-directory`; Konsole takes
// `--workdir`; every other terminal follows xterm's `-e program
// arguments...` and starts in the folder it was started in.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TerminalLauncher.h"

namespace corvane::platform {

class DesktopTerminalLauncher final : public TerminalLauncher {
public:
    // Tried in this order when $TERMINAL names nothing usable.
    static constexpr std::array<std::string_view, 4> fallbacks{"x-terminal-emulator", "gnome-terminal", "konsole",
                                                               "xfce4-terminal"};

    struct Environment {
        std::optional<std::string> terminal;  // $TERMINAL
        std::string path;                     // $PATH
        static Environment current();
    };

    struct Choice {
        std::string name;     // as named: how its arguments are built
        std::string program;  // the absolute path found on PATH
        bool operator==(const Choice&) const = default;
    };

    explicit DesktopTerminalLauncher(Environment environment = Environment::current());

    // $TERMINAL counts only when it is a plain program name (no path, no
    // arguments) found on PATH as an executable.
    static std::optional<Choice> choose(const Environment& environment);
    // The arguments after the program for the terminal of that name.
    static std::vector<std::string> arguments(std::string_view name, const TerminalCommand& command);

    Result<std::string> open(const TerminalCommand& command) override;

private:
    Environment environment_;
};

}  // namespace corvane::platform
