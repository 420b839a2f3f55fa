#pragma once
// How to continue a past session: run the agent's resume command in a
// terminal opened in the session's folder, or, when that folder is gone,
// put the command on the clipboard. Which terminal runs it is the app's
// choice; this only says the words and where.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvane {

struct ResumePlan {
    struct Terminal {
        std::filesystem::path folder;
        std::vector<std::string> words;  // argv, never a shell line
        bool operator==(const Terminal&) const = default;
    };
    struct Copy {
        std::string text;  // the words joined by single blanks
        bool operator==(const Copy&) const = default;
    };

    std::variant<Terminal, Copy> value;

    // `agent` is the agent's title ("Claude Code", "Codex"); `exists` says
    // whether `folder` is there now. A Codex transcript's name
    // ("rollout-<time>-<uuid>") resumes by its uuid. Nothing for another
    // agent, or for an id that is empty or could be read as anything but an
    // id on a command line.
    static std::optional<ResumePlan> make(std::string_view agent, std::string_view sessionID,
                                          const std::optional<std::filesystem::path>& folder, bool exists);

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }

    bool operator==(const ResumePlan&) const = default;
};

}  // namespace corvane
