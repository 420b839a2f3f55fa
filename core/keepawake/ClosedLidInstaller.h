#pragma once
// The shell commands that install and remove the closed-lid helper with
// root rights (run through pkexec). Every path and hash that reaches a
// command is checked first; a command is built only from checked parts.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/ProcessRunner.h"
#include "core/keepawake/ClosedLidClientRecord.h"

namespace corvane {

// The helper and its units as shipped with the app.
struct ClosedLidInstallSources {
    std::string helper;
    std::string serviceUnit;
    std::string socketUnit;
};

namespace ClosedLidInstaller {

// An absolute path of letters, digits, space, ".", "_", "-" and "/", with
// no "." or ".." component: safe inside single quotes on a command line.
bool isSafePath(std::string_view path);

// Where the shipped files are for an app run from `executableFolder`: beside
// it in a build tree (the helper next to the executable), else under the
// installed prefix's libexec and share folders.
ClosedLidInstallSources bundledSources(const std::filesystem::path& executableFolder);

// None unless every source path is safe and both hashes are 64 lowercase
// hex digits. `helperSHA256` is checked against the copy before it is used.
std::optional<std::string> installCommand(const ClosedLidInstallSources& sources, std::string_view helperSHA256,
                                          const ClosedLidClientRecord& client);
// Removes the current and the former helper; never fails.
std::string uninstallCommand();
// What the user can paste into a terminal when the removal could not run.
std::string manualRemovalCommand();
// A command run with root rights after the user's consent.
ProcessRequest elevated(const std::string& command);

}  // namespace ClosedLidInstaller

}  // namespace corvane
