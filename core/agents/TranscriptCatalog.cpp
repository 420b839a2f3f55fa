#include "core/agents/TranscriptCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/agents/TranscriptPaths.h"
#include "core/base/Utf8.h"

namespace fs = std::filesystem;

namespace corvane {

namespace {

constexpr std::string_view subagentsMarker = "/subagents/";
constexpr std::string_view projectsMarker = "/projects/";
constexpr std::string_view transcriptExtension = ".jsonl";

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

fs::path rootFrom(const TranscriptCatalog::Environment& environment, const char* variable, const char* fallback,
                  const char* leaf)
{
    fs::path base;
    if (auto found = environment.find(variable); found != environment.end() && !found->second.empty()) {
        base = found->second;
    } else {
        auto home = environment.find("HOME");
        base = fs::path(home != environment.end() ? home->second : std::string()) / fallback;
    }
    return TranscriptCatalog::canonical(base / leaf);
}

// Walks one root with descriptors relative to their folder, so a deep tree
// costs no long path lookups. Every folder is entered once (by device and
// serial number), which also ends symbolic-link loops.
class Walk {
public:
    Walk(AgentKind agent, int depthLimit, const std::function<void(TranscriptFile)>& found)
        : agent_(agent), depthLimit_(depthLimit), found_(found)
    {
    }

    void run(const fs::path& root)
    {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            enter(fd, root.string(), 1, false);
    }

private:
    // Takes ownership of `fd`. `level` is that of the folder's entries.
    void enter(int fd, const std::string& folder, int level, bool viaLink)
    {
        struct stat self {};
        if (::fstat(fd, &self) != 0 || !visited_.emplace(self.st_dev, self.st_ino).second) {
            ::close(fd);
            return;
        }
        std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
        if (!dir) {
            ::close(fd);
            return;
        }
        std::vector<std::pair<std::string, unsigned char>> entries;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (entry->d_name[0] != '.')
                entries.emplace_back(entry->d_name, entry->d_type);
        }
        std::sort(entries.begin(), entries.end());
        for (const auto& [name, type] : entries) {
            bool link = type == DT_LNK;
            unsigned char kind = type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat info {};
                if (::fstatat(::dirfd(dir.get()), name.c_str(), &info, 0) != 0)
                    continue;  // dangling link or gone meanwhile
                kind = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
            }
            std::string path = folder + "/" + name;
            if (kind == DT_REG && name.ends_with(transcriptExtension)) {
                found_({viaLink || link ? TranscriptCatalog::canonical(path) : fs::path(path), agent_});
            } else if (kind == DT_DIR && level <= depthLimit_) {
                int child = ::openat(::dirfd(dir.get()), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (child >= 0)
                    enter(child, path, level + 1, viaLink || link);
            }
        }
    }

    AgentKind agent_;
    int depthLimit_;
    const std::function<void(TranscriptFile)>& found_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

std::string_view fileName(std::string_view path)
{
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view parentFolder(std::string_view path)
{
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

}  // namespace

TranscriptRoots TranscriptCatalog::defaultRoots(const Environment& environment)
{
    return {rootFrom(environment, "CLAUDE_CONFIG_DIR", ".claude", "projects"),
            rootFrom(environment, "CODEX_HOME", ".codex", "sessions")};
}

std::vector<TranscriptFile> TranscriptCatalog::find(const TranscriptRoots& roots)
{
    std::vector<TranscriptFile> files;
    find(roots, [&](TranscriptFile file) { files.push_back(std::move(file)); });
    return files;
}

void TranscriptCatalog::find(const TranscriptRoots& roots, const std::function<void(TranscriptFile)>& found)
{
    Walk(AgentKind::claudeCode, claudeDepth, found).run(roots.claude);
    Walk(AgentKind::codex, codexDepth, found).run(roots.codex);
}

std::string TranscriptCatalog::sessionID(std::string_view path)
{
    std::string parent;
    if (auto marker = path.find(subagentsMarker); marker != std::string_view::npos) {
        parent = std::string(path.substr(0, marker)) + std::string(transcriptExtension);
        path = parent;
    }
    std::string_view name = fileName(path);
    if (auto dot = name.rfind('.'); dot != std::string_view::npos && dot != 0)
        name = name.substr(0, dot);
    if (name == "agent")
        name = fileName(parentFolder(path));
    return utf8Prefix(name, maxSessionIDLength);
}

TranscriptProject TranscriptCatalog::project(std::string_view path, TranscriptProjectResolver& resolver)
{
    std::string_view encodedName;
    if (auto marker = path.rfind(projectsMarker); marker == std::string_view::npos) {
        encodedName = fileName(parentFolder(path));
    } else {
        std::string_view rest = path.substr(marker + projectsMarker.size());
        rest.remove_prefix(std::min(rest.find_first_not_of('/'), rest.size()));
        encodedName = rest.substr(0, rest.find('/'));
    }
    if (auto folder = resolver.projectPath(encodedName))
        return {lastPathComponent(folder->string()), folder};
    std::string_view pieces = encodedName;
    while (!pieces.empty() && pieces.back() == '-')
        pieces.remove_suffix(1);
    if (pieces.empty())
        return {};
    auto dash = pieces.rfind('-');
    return {std::string(dash == std::string_view::npos ? pieces : pieces.substr(dash + 1)), std::nullopt};
}

fs::path TranscriptCatalog::canonical(const fs::path& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? fs::path(resolved.get()) : path;
}

}  // namespace corvane
