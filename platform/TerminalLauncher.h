#pragma once
// Opens a terminal window that runs one command in a given folder: how a
// past agent session is resumed. Which terminal, and how it is told the
// folder and the command, is the implementation's business.

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/Result.h"

namespace corvane::platform {

// A command checked for a terminal's command line: an existing absolute
// folder, and words that are plain text (no control characters, no empty
// word, a program name first that cannot be read as an option). The words
// reach the terminal as separate arguments, never through a shell.
class TerminalCommand {
public:
    static constexpr std::size_t maxWordLength = 1024;

    static Result<TerminalCommand> make(std::filesystem::path folder, std::vector<std::string> words);

    const std::filesystem::path& folder() const { return folder_; }
    const std::vector<std::string>& words() const { return words_; }
    // "cd '<folder>' && <words>", each piece quoted for a POSIX shell where
    // it needs it: for a person to paste.
    std::string shellLine() const;

    bool operator==(const TerminalCommand&) const = default;

private:
    TerminalCommand(std::filesystem::path folder, std::vector<std::string> words)
        : folder_(std::move(folder)), words_(std::move(words))
    {
    }

    std::filesystem::path folder_;
    std::vector<std::string> words_;
};

// One POSIX shell word: `text` as it is when it holds only characters no
// shell treats specially, else in single quotes.
std::string shellQuoted(const std::string& text);

class TerminalLauncher {
public:
    virtual ~TerminalLauncher() = default;
    // Starts a terminal running the command in its folder, detached: it
    // outlives us. Returns the terminal's name; fails when no terminal is
    // found or it cannot be started.
    virtual Result<std::string> open(const TerminalCommand& command) = 0;
};

}  // namespace corvane::platform
