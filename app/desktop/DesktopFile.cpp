#include "app/desktop/DesktopFile.h"

#include <algorithm>
#include <vector>

#include <sys/stat.h>

#include <QFile>

#include "core/base/Files.h"
#include "core/base/Log.h"

namespace corvane::app {

namespace fs = std::filesystem;

namespace {

const Logger logger("desktop");

constexpr std::string_view execMarker = "@EXEC@";
constexpr double xdgMimeTimeoutSeconds = 10.0;

std::string_view trimmed(std::string_view text)
{
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    while (!text.empty()) {
        auto end = text.find('\n');
        out.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return out;
}

bool isSectionHeader(std::string_view line)
{
    line = trimmed(line);
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The first desktop id of a "a.desktop;b.desktop;" value.
std::string_view firstEntry(std::string_view value) { return trimmed(value.substr(0, value.find(';'))); }

// Blank lines that close a section stay after the entry added to it.
void insertBeforeTrailingBlanks(std::vector<std::string>& lines, const std::string& entry)
{
    auto at = lines.end();
    while (at != lines.begin() && trimmed(*(at - 1)).empty())
        --at;
    lines.insert(at, entry);
}

std::optional<std::string> readIfPresent(const fs::path& path)
{
    auto text = readFileCapped(path, DesktopFile::maxFileBytes);
    if (text)
        return std::move(*text);
    return std::nullopt;
}

struct XdgMime {
    const ProcessRunner& runner;
    std::string program;
    const DesktopFileLocations& locations;

    Result<ProcessOutput> run(std::vector<std::string> arguments) const
    {
        ProcessRequest request;
        request.program = program;
        request.arguments = std::move(arguments);
        // The same folders this registration writes, whatever the session says.
        request.environment.set = {{"XDG_DATA_HOME", locations.applications.parent_path().string()},
                                   {"XDG_CONFIG_HOME", locations.mimeappsList.parent_path().string()}};
        request.timeoutSeconds = xdgMimeTimeoutSeconds;
        return runner.run(request);
    }
};

Result<bool> makeDefaultWithXdgMime(const XdgMime& xdgMime, const std::string& id)
{
    std::string mime(DesktopFile::urlMimeType);
    auto current = xdgMime.run({"query", "default", mime});
    if (current && current->succeeded() && trimmed(current->standardOutput) == id)
        return false;
    auto changed = xdgMime.run({"default", id, mime});
    if (!changed)
        return fail(changed.error());
    if (!changed->succeeded())
        return fail(Error::make(Error::Code::Io, "xdg-mime default", std::string(trimmed(changed->standardError))));
    return true;
}

Result<bool> makeDefaultInMimeapps(const fs::path& list, const std::string& id)
{
    auto existing = readFileCapped(list, DesktopFile::maxFileBytes);
    if (!existing && existing.error().code != Error::Code::NotFound)
        return fail(existing.error());
    auto updated = DesktopFile::withDefaultHandler(existing ? *existing : std::string(), DesktopFile::urlMimeType, id);
    if (!updated)
        return false;
    // The list belongs to the user and every program they run: keep its mode.
    mode_t mode = 0644;
    if (struct stat info {}; ::stat(list.c_str(), &info) == 0)
        mode = info.st_mode & 07777;
    if (auto written = writeFileAtomically(list, *updated, mode); !written)
        return fail(written.error());
    return true;
}

}  // namespace

namespace DesktopFile {

std::string desktopID(std::string_view applicationID) { return std::string(applicationID) + ".desktop"; }

std::optional<std::string> execArgument(std::string_view executable)
{
    if (executable.empty())
        return std::nullopt;
    for (char c : executable) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '%')
            return std::nullopt;
    }
    constexpr std::string_view reserved = " \t\"'\\><~|&;$*?#()`";
    if (executable.find_first_of(reserved) == std::string_view::npos)
        return std::string(executable);
    // Quoting escapes these four with a backslash; the value is then a
    // desktop-entry string, whose own escaping doubles every backslash.
    std::string out = "\"";
    for (char c : executable) {
        if (c == '\\') {
            out += R"(\\\\)";
            continue;
        }
        if (c == '"' || c == '`' || c == '$')
            out += R"(\\)";
        out += c;
    }
    out += '"';
    return out;
}

std::string render(std::string_view templateText, std::string_view execArgument)
{
    std::string out(templateText);
    for (auto at = out.find(execMarker); at != std::string::npos; at = out.find(execMarker, at + execArgument.size()))
        out.replace(at, execMarker.size(), execArgument);
    return out;
}

std::string text(std::string_view execArgument)
{
    QFile file(QStringLiteral(":/lunebox/com.lunebox.app.desktop.in"));
    file.open(QIODevice::ReadOnly);
    QByteArray templateText = file.readAll();
    return render(std::string_view(templateText.constData(), templateText.size()), execArgument);
}

std::optional<std::string> withDefaultHandler(std::string_view mimeapps, std::string_view mimeType,
                                              std::string_view desktopID)
{
    std::string entry = std::string(mimeType) + "=" + std::string(desktopID);
    std::vector<std::string> out;
    bool inSection = false;
    bool sectionSeen = false;
    bool placed = false;
    for (std::string_view line : lines(mimeapps)) {
        if (isSectionHeader(line)) {
            // Leaving our section without having met the key: it goes at its end.
            if (inSection && !placed) {
                insertBeforeTrailingBlanks(out, entry);
                placed = true;
            }
            inSection = trimmed(line) == defaultApplicationsSection;
            sectionSeen = sectionSeen || inSection;
            out.emplace_back(line);
            continue;
        }
        auto equals = line.find('=');
        if (inSection && !placed && equals != std::string_view::npos && trimmed(line.substr(0, equals)) == mimeType) {
            if (firstEntry(line.substr(equals + 1)) == desktopID)
                return std::nullopt;
            out.push_back(entry);
            placed = true;
            continue;
        }
        out.emplace_back(line);
    }
    if (inSection && !placed)
        insertBeforeTrailingBlanks(out, entry);
    if (!sectionSeen) {
        if (!out.empty() && !trimmed(out.back()).empty())
            out.emplace_back();
        out.emplace_back(defaultApplicationsSection);
        out.push_back(entry);
    }
    std::string text;
    for (const auto& line : out) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace DesktopFile

DesktopFileLocations DesktopFileLocations::of(const KnownPaths& paths)
{
    return {paths.supportRoot() / "applications", paths.settingsFile().parent_path().parent_path() / "mimeapps.list"};
}

Result<UrlHandlerRegistration> registerUrlHandler(const DesktopFileLocations& locations, std::string_view applicationID,
                                                  std::string_view desktopFileText, const std::string& searchPath,
                                                  const ProcessRunner& runner)
{
    UrlHandlerRegistration outcome;
    std::string id = DesktopFile::desktopID(applicationID);
    fs::path file = locations.applications / id;
    if (readIfPresent(file) != desktopFileText) {
        if (auto written = writeFileAtomically(file, desktopFileText, 0644); !written)
            return fail(written.error());
        outcome.wroteDesktopFile = true;
        logger.info("wrote {}", file.string());
    }

    auto program = findProgram("xdg-mime", searchPath);
    auto changed = program ? makeDefaultWithXdgMime(XdgMime{runner, *program, locations}, id)
                           : makeDefaultInMimeapps(locations.mimeappsList, id);
    if (!changed)
        return fail(changed.error());
    outcome.changedDefault = *changed;
    if (outcome.changedDefault)
        logger.info("{} is now the default handler of {}", id, DesktopFile::urlMimeType);
    return outcome;
}

}  // namespace corvane::app
