#pragma once
// The complete lines at the start or the end of a transcript, read within a
// byte budget: enough for a session's title or its latest steps without
// reading its whole history.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

struct TranscriptWindow {
    enum class End { head, tail };

    // Whole lines, each with its newline, from at most `maxBytes` of the
    // file; empty when the file cannot be read or is not a regular file.
    static std::string read(const std::filesystem::path& path, End end, std::size_t maxBytes);

    // Calls `visit(line)` for each line of `lines` (without its newline).
    template <typename Visit>
    static void forEachLine(std::string_view lines, Visit visit)
    {
        while (!lines.empty()) {
            std::size_t newline = lines.find('\n');
            visit(lines.substr(0, newline));
            lines.remove_prefix(newline == std::string_view::npos ? lines.size() : newline + 1);
        }
    }
};

}  // namespace corvane
