#pragma once
// The desktop file that makes the session hand "lunebox:" URLs to us, and
// the mimeapps.list entry that makes us their default handler. The text is
// built from a template so that the Exec line always names the executable
// that is running now; nothing is written when the file on disk already
// says the same, so an unchanged start touches no file.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/ProcessRunner.h"
#include "core/base/Result.h"
#include "core/notch/KnownPaths.h"

namespace corvane::app {

namespace DesktopFile {

inline constexpr std::string_view urlMimeType = "x-scheme-handler/lunebox";
inline constexpr std::string_view defaultApplicationsSection = "[Default Applications]";
inline constexpr std::size_t maxFileBytes = 256 * 1024;

// "<application id>.desktop", the name the session knows us by.
std::string desktopID(std::string_view applicationID);

// The executable as one argument of an Exec line, quoted and escaped by the
// desktop entry rules when it holds a reserved character; nothing when it
// holds a control character or a "%", which no Exec line can carry safely.
std::optional<std::string> execArgument(std::string_view executable);

// The template with "@EXEC@" replaced by the quoted executable.
std::string render(std::string_view templateText, std::string_view execArgument);
// The program's own desktop file (its template is a resource of the app).
std::string text(std::string_view execArgument);

// The mimeapps.list text in which `desktopID` is the first default for
// `mimeType`; nothing when it already is, so the file is left alone.
std::optional<std::string> withDefaultHandler(std::string_view mimeapps, std::string_view mimeType,
                                              std::string_view desktopID);

}  // namespace DesktopFile

// Where the registration writes: $XDG_DATA_HOME/applications and
// $XDG_CONFIG_HOME/mimeapps.list, with their usual defaults under home.
struct DesktopFileLocations {
    std::filesystem::path applications;
    std::filesystem::path mimeappsList;

    // For a normal run, whose support root is the XDG data folder and whose
    // settings folder sits in the XDG configuration folder.
    static DesktopFileLocations of(const KnownPaths& paths);
};

struct UrlHandlerRegistration {
    bool wroteDesktopFile = false;
    bool changedDefault = false;
};

// Writes the desktop file when its text differs, then makes it the default
// handler of the scheme: through xdg-mime when it is found on `searchPath`
// (it knows each desktop's own place for the choice), else by editing
// mimeapps.list. Blocks on child processes: run it off the main thread.
Result<UrlHandlerRegistration> registerUrlHandler(const DesktopFileLocations& locations, std::string_view applicationID,
                                                  std::string_view desktopFileText, const std::string& searchPath,
                                                  const ProcessRunner& runner);

}  // namespace corvane::app
