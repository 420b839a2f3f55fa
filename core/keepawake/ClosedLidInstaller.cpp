#include "core/keepawake/ClosedLidInstaller.h"

#include <algorithm>
#include <vector>

#include <fmt/format.h>

#include "core/keepawake/ClosedLidPaths.h"

namespace corvane::ClosedLidInstaller {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view startFailed =
    "The helper was installed but systemd would not start it (systemctl enable failed).";

bool isSafeCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' || c == '.'
        || c == '_' || c == '/' || c == '-';
}

std::string singleQuoted(std::string_view text) { return fmt::format("'{}'", text); }

std::string stateFile(std::string_view name) { return fmt::format("{}/{}", ClosedLidPaths::stateFolder, name); }

// Disables a helper's units and removes its files.
std::string removal(std::string_view unit, std::string_view helper, std::string_view extra)
{
    return fmt::format("(/usr/bin/systemctl disable --now {0}.socket {0}.service 2>/dev/null; "
                       "/bin/rm -f {1} {2}/{0}.service {2}/{0}.socket{3}; true)",
                       unit, helper, ClosedLidPaths::unitFolder, extra);
}

}  // namespace

bool isSafePath(std::string_view path)
{
    if (path.size() < 2 || path.front() != '/' || !std::all_of(path.begin(), path.end(), isSafeCharacter))
        return false;
    for (const auto& part : fs::path(path)) {
        if (part == "." || part == "..")
            return false;
    }
    return true;
}

ClosedLidInstallSources bundledSources(const fs::path& executableFolder)
{
    fs::path helper = executableFolder / ClosedLidPaths::helperName;
    std::error_code ignored;
    if (fs::is_regular_file(helper, ignored)) {
        return {helper.string(), (executableFolder / ClosedLidPaths::serviceUnit).string(),
                (executableFolder / ClosedLidPaths::socketUnit).string()};
    }
    fs::path prefix = executableFolder.parent_path();
    fs::path units = prefix / "share/lunebox/closedlid";
    return {(prefix / "libexec/lunebox" / ClosedLidPaths::helperName).string(),
            (units / ClosedLidPaths::serviceUnit).string(), (units / ClosedLidPaths::socketUnit).string()};
}

std::optional<std::string> installCommand(const ClosedLidInstallSources& sources, std::string_view helperSHA256,
                                          const ClosedLidClientRecord& client)
{
    if (!isSafePath(sources.helper) || !isSafePath(sources.serviceUnit) || !isSafePath(sources.socketUnit)
        || !isSHA256Hex(helperSHA256) || !isSHA256Hex(client.appSHA256))
        return std::nullopt;

    const std::string helper(ClosedLidPaths::installedHelper);
    const std::string service(ClosedLidPaths::installedService);
    const std::string socket(ClosedLidPaths::installedSocket);
    const std::string clientFile = stateFile(ClosedLidPaths::clientRecordName);
    const std::vector<std::string> targets{helper, service, socket, clientFile};

    std::string newFiles;
    std::string moves;
    for (const auto& target : targets) {
        newFiles += fmt::format(" {}.new", target);
        moves += fmt::format("/bin/mv -f {0}.new {0} && ", target);
    }
    std::string startSocket = fmt::format("/usr/bin/systemctl enable --now {}", ClosedLidPaths::socketUnit);

    return fmt::format(
        "/bin/mkdir -p {folder} && /bin/mkdir -p -m 0700 {state} && "
        "{{ /usr/bin/install -o root -g root -m 0755 {source} {helper}.new && "
        "/bin/echo '{hash}  {helper}.new' | /usr/bin/sha256sum -c --status && "
        "/usr/bin/install -o root -g root -m 0644 {serviceSource} {service}.new && "
        "/usr/bin/install -o root -g root -m 0644 {socketSource} {socket}.new && "
        "/usr/bin/printf '%s\\n' '{client}' > {clientFile}.new || {{ /bin/rm -f{newFiles}; exit 1; }}; }} && "
        "(/usr/bin/systemctl stop {socketUnit} {serviceUnit} 2>/dev/null; /bin/sleep 1; true) && "
        "{moves}/usr/bin/systemctl daemon-reload && "
        "({start} || (/bin/sleep 2 && {start}) || {{ /bin/echo '{startFailed}' >&2; exit 1; }})",
        fmt::arg("folder", ClosedLidPaths::installedHelperFolder), fmt::arg("state", ClosedLidPaths::stateFolder),
        fmt::arg("source", singleQuoted(sources.helper)), fmt::arg("helper", helper), fmt::arg("hash", helperSHA256),
        fmt::arg("serviceSource", singleQuoted(sources.serviceUnit)), fmt::arg("service", service),
        fmt::arg("socketSource", singleQuoted(sources.socketUnit)), fmt::arg("socket", socket),
        fmt::arg("client", client.encoded()), fmt::arg("clientFile", clientFile), fmt::arg("newFiles", newFiles),
        fmt::arg("socketUnit", ClosedLidPaths::socketUnit), fmt::arg("serviceUnit", ClosedLidPaths::serviceUnit),
        fmt::arg("moves", moves), fmt::arg("start", startSocket), fmt::arg("startFailed", startFailed));
}

std::string uninstallCommand()
{
    return removal(ClosedLidPaths::unitName, ClosedLidPaths::installedHelper,
                   fmt::format(" && /bin/rm -rf {}", ClosedLidPaths::stateFolder))
        + "; " + removal(ClosedLidPaths::legacyUnitName, ClosedLidPaths::legacyInstalledHelper, "")
        + "; /usr/bin/systemctl daemon-reload 2>/dev/null; true";
}

std::string manualRemovalCommand()
{
    return fmt::format("sudo systemctl disable --now {0}.socket {0}.service; sudo rm -rf {1} {2}/{0}.service "
                       "{2}/{0}.socket {3}",
                       ClosedLidPaths::unitName, ClosedLidPaths::installedHelper, ClosedLidPaths::unitFolder,
                       ClosedLidPaths::stateFolder);
}

ProcessRequest elevated(const std::string& command)
{
    ProcessRequest request;
    request.program = "/usr/bin/pkexec";
    request.arguments = {"/bin/sh", "-c", command};
    // The user may take a while with the password prompt.
    request.timeoutSeconds = 300;
    return request;
}

}  // namespace corvane::ClosedLidInstaller
