#pragma once
// One report of the shell command hook: a terminal command that ran at
// least the hook's threshold. The shell writes "cmd-<pid>-<seconds>.json"
// into the inbox (dot name, then rename); like every inbox file it comes
// from a folder anyone running as the user can write, so it is read
// capped and without following links, and every field is checked.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Time.h"
#include "core/notch/AlertPost.h"

namespace corvane {

struct CommandFinished {
    static constexpr std::string_view kind = "projects.commandFinished";
    static constexpr std::string_view moduleID = "projects";
    static constexpr std::string_view failedSymbol = "xmark.circle.fill";
    static constexpr std::string_view finishedSymbol = "checkmark.circle.fill";
    static constexpr std::size_t maxBytes = 1024;
    static constexpr std::size_t maxNameLength = 40;
    static constexpr std::size_t maxTermLength = 40;
    static constexpr std::size_t maxAppLength = 120;
    // A month; anything longer is not a duration the hook measured.
    static constexpr int maxSeconds = 31 * 24 * 3600;

    std::string name;  // the program's name only
    int seconds = 0;
    int exitCode = 0;
    std::optional<std::string> term;  // terminal program
    std::optional<std::string> app;   // the app hosting the terminal
    WallTime at = WallTime::fromUnixSeconds(0);  // the moment in the file's name

    bool failed() const { return exitCode != 0; }
    bool operator==(const CommandFinished&) const = default;

    struct Batch {
        std::vector<CommandFinished> reports;  // oldest first
        std::vector<std::filesystem::path> remove;  // every matching file, used or not
        std::size_t ignored = 0;
    };

    // "^cmd-[0-9]+-[0-9]+\.json$"
    static bool isInboxFile(std::string_view name);
    // One file's content: a JSON object of kind "command" with a valid name,
    // seconds and exit code; optional term and app are dropped when malformed.
    static std::optional<CommandFinished> parse(std::string_view data, WallTime at);
    // Every report file in the folder, dated by its name, never later than `now`.
    static Batch read(const std::filesystem::path& folder, WallTime now);
    static void removeRead(const Batch& batch);

    // "48 s", "2 min 10 s", "1 h 5 min".
    static std::string elapsed(int seconds);
    // The alert: "make finished" or "make failed", the time it took (and the
    // exit code of a failure), a card with the matching symbol.
    static AlertPost alert(const CommandFinished& report);
    // Whether a report is announced under the settings: the hook is on, the
    // command ran at least the threshold, and, when asked, the app hosting
    // it is not in front (`frontApp`, unknown counts as not in front).
    static bool announces(const CommandFinished& report, bool enabled, int thresholdSeconds, bool onlyWhenBackground,
                          const std::optional<std::string>& frontApp);
};

std::ostream& operator<<(std::ostream& out, const CommandFinished& report);

}  // namespace corvane
