#include "core/agents/IntegrationTargets.h"

#include <algorithm>
#include <array>
#include <memory>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "core/agents/ClaudeHooksWriter.h"
#include "core/agents/CodexNotifyWriter.h"
#include "core/agents/ShellHookSnippets.h"
#include "core/agents/StatuslineTapWriter.h"
#include "core/notch/KnownPaths.h"

namespace corvane::IntegrationTargets {

namespace fs = std::filesystem;

IntegrationEnv thisProcess(const fs::path& home)
{
    return {home, KnownPaths::processEnvironment(), (KnownPaths::runningExecutable().parent_path() / helperName).string()};
}

namespace {

// Folders emptied at boot or holding mounted and unpacked bundles.
constexpr std::array temporaryRoots{"/tmp", "/var/tmp", "/dev/shm"};

// A bundle mounted or unpacked for one run goes away with it: an
// AppImage's "/tmp/.mount_<name>" or "appimage_extracted_<hash>". A build
// tree under /tmp stays until the developer removes it.
bool insideUnpackedBundle(const fs::path& path)
{
    return std::any_of(path.begin(), path.end(), [](const fs::path& part) {
        std::string name = part.string();
        return name.starts_with(".mount_") || name.starts_with("appimage_extracted_");
    });
}

bool isInside(const fs::path& path, const fs::path& folder)
{
    return !folder.empty() && std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

fs::path resolved(const fs::path& path)
{
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : real;
}

}  // namespace

std::optional<std::string> helperBlocked(const fs::path& helperPath, const fs::path& home)
{
    struct stat info {};
    if (helperPath.empty() || ::stat(helperPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)
        || ::access(helperPath.c_str(), X_OK) != 0)
        return "Lunebox's helper program is missing or can't run, so this can't be connected";
    struct statvfs volume {};
    if (::statvfs(helperPath.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0)
        return "Lunebox runs from a read-only location, so this can't be connected — install Lunebox first";
    fs::path real = resolved(helperPath);
    bool temporary = std::any_of(temporaryRoots.begin(), temporaryRoots.end(),
                                 [&](const char* root) { return isInside(real, resolved(root)); });
    if (temporary && !isInside(real, resolved(home)) && insideUnpackedBundle(real))
        return "Lunebox runs from a temporary folder, so this can't be connected — install Lunebox first";
    return std::nullopt;
}

std::vector<IntegrationWriter> writable(IntegrationEnv env, const std::string& helperPath, int thresholdSeconds)
{
    env.helperPath = helperPath;
    std::optional<std::string> blocked = helperBlocked(helperPath, env.home);
    std::optional<ShellKind> shell = ShellHookSnippets::loginShell(env);
    std::optional<std::string> noShell;
    if (!shell)
        noShell = "Your login shell isn't zsh, bash or fish, so Lunebox can't add the command hook";
    return {
        IntegrationWriter::of("claude.hooks", ClaudeHooksWriter(env)),
        IntegrationWriter::of("claude.statusline", StatuslineTapWriter(env), blocked),
        IntegrationWriter::of("codex.notify", CodexNotifyWriter(env), blocked),
        IntegrationWriter::of("shell.commandHook",
                              ShellHookWriter(env, shell.value_or(ShellKind::bash), thresholdSeconds), noShell),
    };
}

}  // namespace corvane::IntegrationTargets
