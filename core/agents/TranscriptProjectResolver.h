#pragma once
// Finds the real folder behind an encoded Claude Code project folder name.
// The tool names a project's folder after its absolute path with every
// character other than an ASCII letter or digit replaced by "-", so
// "/home/me/my.app" becomes "-home-me-my-app"; "-" being ambiguous, the
// folder is found by a bounded walk of the disk. Answers, failures
// included, are kept for the life of the process.

#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class TranscriptProjectResolver {
public:
    static constexpr std::size_t entryBudget = 2000;  // folder entries looked at, per search
    static constexpr int depthLimit = 47;
    static constexpr std::size_t maxNameLength = 512;

    // `searchRoot` stands for "/"; tests give a temporary folder.
    explicit TranscriptProjectResolver(std::filesystem::path searchRoot = "/");

    // The one table of the process, searching from "/".
    static TranscriptProjectResolver& shared();

    std::optional<std::filesystem::path> projectPath(std::string_view encodedName);
    // Every folder resolved so far, sorted.
    std::vector<std::filesystem::path> knownProjectPaths() const;

    // A name as the tool encodes it.
    static std::string encoded(std::string_view name);

private:
    std::optional<std::filesystem::path> search(std::string_view encodedName) const;

    std::filesystem::path searchRoot_;
    mutable std::mutex mutex_;
    std::map<std::string, std::optional<std::filesystem::path>, std::less<>> table_;
};

}  // namespace corvane
