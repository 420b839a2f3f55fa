#pragma once
// The shell command hook: a marked block in the user's shell start-up file
// that, after a command ran for at least a threshold, drops a small JSON
// file ("cmd-<shell pid>-<seconds>.json") into the inbox with the program's
// name, the duration and the exit code, nothing else.
//
// bash has no native pre-command hook; the block only adds its functions to
// bash-preexec's `preexec_functions` and `precmd_functions` and never sets a
// DEBUG trap of its own, so it reports only where bash-preexec is loaded.
//
// Linux start-up files: zsh reads $ZDOTDIR/.zshrc (else ~/.zshrc); bash gets
// ~/.bashrc, which terminals' non-login shells read and Debian-style
// ~/.profile sources for login shells; fish gets a file of its own in its
// conf.d folder, which fish reads at start.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/agents/InstallRecord.h"
#include "core/base/RawEnum.h"
#include "core/base/Result.h"

namespace corvane {

enum class ShellKind { zsh, bash, fish };

template <>
struct EnumCases<ShellKind> {
    static constexpr std::array cases{
        std::pair{ShellKind::zsh, std::string_view("zsh")},
        std::pair{ShellKind::bash, std::string_view("bash")},
        std::pair{ShellKind::fish, std::string_view("fish")},
    };
};

struct ShellSetup {
    std::optional<ShellKind> kind;
    std::optional<std::filesystem::path> rcPath;
    std::vector<std::string> frameworks;  // prompt frameworks the start-up file loads
    bool bashPreexec = false;             // the start-up file loads bash-preexec
    bool existingDebugTrap = false;       // the start-up file sets a DEBUG trap
    bool operator==(const ShellSetup&) const = default;
};

struct ShellHookSnippets {
    static constexpr std::string_view beginMarker = "# >>> Lunebox command hook >>>";
    static constexpr std::string_view endMarker = "# <<< Lunebox command hook <<<";
    static constexpr std::string_view legacyBeginMarker = "# >>> Corvane command hook >>>";
    static constexpr std::string_view legacyEndMarker = "# <<< Corvane command hook <<<";
    static constexpr int defaultThreshold = 30;
    static constexpr std::size_t maxRcBytes = 1024 * 1024;

    // Where a block sits in a start-up file: from its begin marker to the
    // end of its end marker's line.
    struct Block {
        std::size_t begin = 0;
        std::size_t end = 0;
        bool legacy = false;
        int threshold = 0;  // read from its comment line; 0 when it has none
    };

    static std::filesystem::path rcFile(ShellKind kind, const IntegrationEnv& env);
    // The framed block, ending with a line end. Thresholds below 1 s count as 1 s.
    static std::string install(ShellKind kind, int thresholdSeconds);
    // What to tell a user who removes the block by hand.
    static std::string uninstall(ShellKind kind, const IntegrationEnv& env);

    // The first block framed by either marker pair.
    static std::optional<Block> find(std::string_view text);

    // The shell the user logs in with ($SHELL), when it is one of the three.
    static std::optional<ShellKind> loginShell(const IntegrationEnv& env);
    // What the start-up file of `kind` shows about the user's setup.
    static ShellSetup detect(ShellKind kind, const std::filesystem::path& rcPath, std::string_view rcText);
    // Reads the login shell's start-up file (capped) and detects its setup.
    static ShellSetup scan(const IntegrationEnv& env);

    // `text` single-quoted for a POSIX shell (a ' inside becomes '\'').
    static std::string quoted(std::string_view text);
};

// The writer the integrations manager drives for "shell.commandHook": appends
// the block to the start-up file and removes exactly the bytes it added,
// only while they are unchanged.
class ShellHookWriter {
public:
    static constexpr std::string_view editedRefusal =
        "Lunebox's command hook was edited after connecting — remove it by hand, then connect again";
    static constexpr std::string_view goneRefusal = "That hook isn't in the file any more";

    ShellHookWriter(IntegrationEnv env, ShellKind kind, int thresholdSeconds);

    std::filesystem::path path() const;
    Result<WriteResult> install() const;
    // WriteResult.text empty with record.createdFile set: delete the file.
    Result<WriteResult> uninstall(const InstallRecord& record) const;
    ConnectionStatus status() const;

private:
    Result<std::optional<std::string>> readCurrent() const;

    IntegrationEnv env_;
    ShellKind kind_;
    int threshold_;
};

}  // namespace corvane
