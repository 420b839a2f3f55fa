#pragma once
// Connects Codex to the app: the top-level `notify` setting of Codex's
// config.toml names the program Codex runs with a JSON argument after each
// turn. The app's line runs the helper program, which drops an event file
// into the inbox, and keeps a notifier the user had running after it.
//
// The file is edited line by line: only the `notify` line (or lines) change,
// every other byte stays as the user wrote it, and the replaced lines are
// kept in the install record so that disconnecting puts them back exactly.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/InstallRecord.h"
#include "core/base/Result.h"

namespace corvane {

class CodexNotifyWriter {
public:
    static constexpr std::string_view marker = "# corvane-notify";
    static constexpr std::string_view key = "notify";
    // The argument the script sees as $0; "$@" is the previous notifier.
    static constexpr std::string_view scriptName = "corvane";
    static constexpr std::size_t maxFileBytes = 1024 * 1024;

    // Refusals, shown to the user as they stand.
    static constexpr std::string_view crlfRefusal =
        "config.toml uses Windows line endings (CRLF), so Lunebox won't edit it";
    static constexpr std::string_view notListRefusal = "\"notify\" isn't a list of strings";
    static constexpr std::string_view unreadableRefusal = "config.toml's notify can't be read";
    static constexpr std::string_view editedRefusal =
        "Lunebox's notify was edited after connecting — set it back or edit it by hand";
    static constexpr std::string_view goneRefusal = "That hook isn't in the file any more";

    // Where one `notify` setting sits in the file: whole lines, so that
    // `raw` (the lines with their line ends) can be put back byte for byte.
    struct Entry {
        std::size_t begin = 0;  // first byte of the first line
        std::size_t end = 0;    // one past the last line's "\n" (or the end of the text)
        std::string raw;
        std::vector<std::string> argv;
        bool marked = false;    // the line ends with the app's marker comment
    };

    explicit CodexNotifyWriter(IntegrationEnv env);

    // $CODEX_HOME/config.toml, else ~/.codex/config.toml.
    std::filesystem::path path() const;

    // "/bin/sh", "-c", the script, "corvane", then `wrapping` (the user's
    // previous notify list, which keeps running after the helper).
    std::vector<std::string> argv(const std::vector<std::string>& wrapping) const;
    // The whole line as written: `notify = [ ... ] # corvane-notify`.
    std::string line(const std::vector<std::string>& wrapping) const;

    Result<WriteResult> install() const;
    // WriteResult.text empty with record.createdFile set: delete the file.
    Result<WriteResult> uninstall(const InstallRecord& record) const;
    ConnectionStatus status() const;

    struct Layout {
        std::optional<Entry> notify;  // the top-level key, when present
        std::size_t firstTable = 0;   // start of the first table header's line, else the text's size
    };

    // Where the top-level `notify` of a config.toml text is; refusals (code
    // Invalid, context the sentence) for CRLF files, values that are not
    // lists of strings and text that can't be read.
    static Result<Layout> read(std::string_view text);
    // The previous notifier inside an argument list the app wrote, or
    // nothing when the list is not of the app's shape.
    static std::optional<std::vector<std::string>> wrapped(const std::vector<std::string>& argv);

private:
    Result<std::optional<std::string>> readCurrent() const;

    IntegrationEnv env_;
};

}  // namespace corvane
