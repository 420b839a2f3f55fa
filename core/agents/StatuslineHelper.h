#pragma once
// The statusline tap: the small program Claude Code runs as its statusline
// command. It keeps the latest plan-limit reading in the data folder for
// the app, and either prints a short line itself or runs the user's own
// statusline command ("--wrap" and the command) with the same input and
// passes on what it prints.
//
// The same program is Codex's notifier ("codex-notify" first, see
// CodexNotifyHelper): it drops the finished turn into the inbox and runs
// the user's previous notifier.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Time.h"

namespace corvane::StatuslineHelper {

using Environment = std::map<std::string, std::string>;

inline constexpr double wrapTimeout = 5;
inline constexpr std::string_view wrapFlag = "--wrap";
inline constexpr std::string_view shell = "/bin/sh";

struct Result {
    std::string output;  // what to print on standard output
    std::int32_t exitCode = 0;
    bool operator==(const Result&) const = default;
};

// The folder of the status files, in the data folder of this build.
std::filesystem::path statusFolder(const Environment& environment, const std::filesystem::path& home);
// The legacy status file in that folder.
std::filesystem::path statusFile(const Environment& environment, const std::filesystem::path& home);

// The inbox folder of this build's data folder.
std::filesystem::path inboxFolder(const Environment& environment, const std::filesystem::path& home);

// One "codex-notify" run; `arguments` follow the mode. Writes the inbox
// file (dot name, then rename), then runs the previous notifier to its end.
// Always 0: Codex must never see its notifier fail.
std::int32_t codexNotify(const std::vector<std::string>& arguments, const std::filesystem::path& home, WallTime now,
                         const Environment& environment, long pid, const std::filesystem::path& folder);

// One run: `input` is what was read from standard input, at most
// ClaudeStatusline::maxStdin bytes plus one to tell that there was more.
Result run(std::string_view input, const std::vector<std::string>& arguments, const std::filesystem::path& home,
           WallTime now, const Environment& environment);

}  // namespace corvane::StatuslineHelper
