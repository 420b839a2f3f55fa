#include "platform/linux/DesktopTerminalLauncher.h"

#include <algorithm>
#include <cstdlib>

#include <QProcess>
#include <QStringList>

#include "core/base/ProcessRunner.h"

namespace corvane::platform {

namespace {

constexpr std::size_t maxNameLength = 64;

bool isProgramName(std::string_view name)
{
    return !name.empty() && name.size() <= maxNameLength && name.front() != '-' && name.front() != '.'
        && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                   || c == '_' || c == '.' || c == '+';
           });
}

// Only an absolute hit: a relative PATH entry would run a program from the session's folder.
std::optional<std::string> onPath(std::string_view name, const std::string& path)
{
    if (!isProgramName(name))
        return std::nullopt;
    auto found = findProgram(std::string(name), path);
    if (!found || found->empty() || found->front() != '/')
        return std::nullopt;
    return *found;
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DesktopTerminalLauncher::Environment DesktopTerminalLauncher::Environment::current()
{
    const char* terminal = std::getenv("TERMINAL");
    const char* path = std::getenv("PATH");
    return {terminal != nullptr && *terminal != '\0' ? std::optional<std::string>(terminal) : std::nullopt,
            path != nullptr ? path : "/usr/bin:/bin"};
}

DesktopTerminalLauncher::DesktopTerminalLauncher(Environment environment) : environment_(std::move(environment)) {}

std::optional<DesktopTerminalLauncher::Choice> DesktopTerminalLauncher::choose(const Environment& environment)
{
    if (environment.terminal) {
        if (auto program = onPath(*environment.terminal, environment.path))
            return Choice{*environment.terminal, *program};
    }
    for (std::string_view name : fallbacks) {
        if (auto program = onPath(name, environment.path))
            return Choice{std::string(name), *program};
    }
    return std::nullopt;
}

std::vector<std::string> DesktopTerminalLauncher::arguments(std::string_view name, const TerminalCommand& command)
{
    std::vector<std::string> out;
    const std::string folder = command.folder().string();
    if (name == "gnome-terminal")
        out = {"--working-directory=" + folder, "--"};
    else if (name == "xfce4-terminal")
        out = {"--working-directory=" + folder, "-x"};
    else if (name == "konsole")
        out = {"--workdir", folder, "-e"};
    else
        out = {"-e"};
    out.insert(out.end(), command.words().begin(), command.words().end());
    return out;
}

Result<std::string> DesktopTerminalLauncher::open(const TerminalCommand& command)
{
    auto choice = choose(environment_);
    if (!choice)
        return fail(Error::make(Error::Code::Unavailable, "open terminal", "no terminal program on PATH"));
    QStringList arguments;
    for (const std::string& argument : DesktopTerminalLauncher::arguments(choice->name, command))
        arguments.push_back(qs(argument));
    if (!QProcess::startDetached(qs(choice->program), arguments, qs(command.folder().string())))
        return fail(Error::make(Error::Code::Io, "open terminal", "cannot start " + choice->program));
    return choice->name;
}

}  // namespace corvane::platform
