#include "core/agents/TranscriptProjectResolver.h"

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "core/base/Ascii.h"

namespace corvane {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

struct Search {
    std::size_t budget = TranscriptProjectResolver::entryBudget;

    // Depth first: an entry whose encoded name is a prefix of the remaining
    // text, followed by "-", is entered; a dead end backs out and tries the
    // next entry, so "my-app" is found even beside "my".
    std::optional<std::filesystem::path> find(const std::filesystem::path& folder, std::string_view remaining,
                                              int depth)
    {
        if (depth >= TranscriptProjectResolver::depthLimit)
            return std::nullopt;
        std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
        if (!dir)
            return std::nullopt;
        while (const dirent* entry = ::readdir(dir.get())) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (budget == 0)
                return std::nullopt;
            --budget;
            std::string encodedName = TranscriptProjectResolver::encoded(name);
            if (!remaining.starts_with(encodedName))
                continue;
            bool whole = encodedName.size() == remaining.size();
            if (!whole && remaining[encodedName.size()] != '-')
                continue;
            std::filesystem::path child = folder / name;
            struct stat info {};
            if (::stat(child.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                continue;
            if (whole)
                return child;
            if (auto found = find(child, remaining.substr(encodedName.size() + 1), depth + 1))
                return found;
            if (budget == 0)
                return std::nullopt;
        }
        return std::nullopt;
    }
};

}  // namespace

TranscriptProjectResolver::TranscriptProjectResolver(std::filesystem::path searchRoot)
    : searchRoot_(std::move(searchRoot))
{
}

TranscriptProjectResolver& TranscriptProjectResolver::shared()
{
    static TranscriptProjectResolver resolver;
    return resolver;
}

std::string TranscriptProjectResolver::encoded(std::string_view name)
{
    std::string out(name);
    std::replace_if(out.begin(), out.end(), [](char c) { return !isAsciiAlpha(c) && !isAsciiDigit(c); }, '-');
    return out;
}

std::optional<std::filesystem::path> TranscriptProjectResolver::projectPath(std::string_view encodedName)
{
    {
        std::lock_guard lock(mutex_);
        if (auto known = table_.find(encodedName); known != table_.end())
            return known->second;
    }
    // Searched outside the lock: two threads may both search one name and
    // store the same answer.
    auto found = search(encodedName);
    std::lock_guard lock(mutex_);
    table_.emplace(std::string(encodedName), found);
    return found;
}

std::optional<std::filesystem::path> TranscriptProjectResolver::search(std::string_view encodedName) const
{
    if (!encodedName.starts_with('-') || encodedName.size() > maxNameLength)
        return std::nullopt;
    std::string_view remaining = encodedName.substr(1);
    if (remaining.empty())
        return std::nullopt;
    return Search{}.find(searchRoot_, remaining, 0);
}

std::vector<std::filesystem::path> TranscriptProjectResolver::knownProjectPaths() const
{
    std::vector<std::filesystem::path> paths;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [name, folder] : table_) {
            if (folder)
                paths.push_back(*folder);
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace corvane
