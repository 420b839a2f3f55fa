#pragma once
// Every fixed name and path of the closed-lid helper, for the helper, its
// client, the installer and the launch check alike. The unit files in
// closedlid/helper/ name the same paths; a test keeps them in step.

#include <string_view>

namespace corvane::ClosedLidPaths {

// The systemd units, named after the helper.
inline constexpr std::string_view unitName = "lunebox-closedlid";
inline constexpr std::string_view serviceUnit = "lunebox-closedlid.service";
inline constexpr std::string_view socketUnit = "lunebox-closedlid.socket";
inline constexpr std::string_view unitFolder = "/etc/systemd/system";
inline constexpr std::string_view installedService = "/etc/systemd/system/lunebox-closedlid.service";
inline constexpr std::string_view installedSocket = "/etc/systemd/system/lunebox-closedlid.socket";

// The helper as built beside the app, and where the installer puts it.
inline constexpr std::string_view helperName = "lunebox-closedlid-helper";
inline constexpr std::string_view installedHelperFolder = "/usr/local/libexec";
inline constexpr std::string_view installedHelper = "/usr/local/libexec/lunebox-closedlid-helper";

inline constexpr std::string_view socketPath = "/run/lunebox-closedlid.sock";

// Root-only state: the hold left behind by a helper that died, and the
// program allowed to talk to the helper (its user and executable hash).
inline constexpr std::string_view stateFolder = "/var/lib/lunebox-closedlid";
inline constexpr std::string_view holdRecordName = "hold.json";
inline constexpr std::string_view clientRecordName = "client.json";

// The helper of the former identity, removed on uninstall.
inline constexpr std::string_view legacyUnitName = "corvane-closedlid";
inline constexpr std::string_view legacyInstalledHelper = "/usr/local/libexec/corvane-closedlid-helper";

// The inhibitor that keeps the lid switch from suspending the machine.
inline constexpr std::string_view inhibitWhat = "handle-lid-switch";
inline constexpr std::string_view inhibitMode = "block";
inline constexpr std::string_view inhibitWho = "Lunebox";
inline constexpr std::string_view inhibitWhy = "Keeping work running with the lid closed";

}  // namespace corvane::ClosedLidPaths
