#pragma once
// Where a program lives, as far as telling a developer's own servers from
// the system's and from installed applications goes. One table of Linux
// folders serves the dev-server classifier and `PortOrigin`:
//
// - operating-system components: /usr/libexec, systemd's own folders;
// - system tools: /usr/sbin, /sbin (together with the components, the
//   "system paths");
// - application bundles: a snap (/snap/<name>/...) or a flatpak
//   (.../flatpak/app/<id>/...), system-wide or per user;
// - developer bundles: toolchains shipped as snaps, which run the user's
//   code and so are not treated as applications;
// - the folders under home where applications keep their data and helper
//   programs (~/.local/share, ~/.cache, ~/.config, ~/Applications).

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

struct OwningApp {
    static bool isSystemPath(std::string_view path);
    static bool isOperatingSystemComponent(std::string_view path);
    // The bundle folder holding `path` ("/snap/spotify"), or `path` itself
    // when it names a bundle; nothing outside bundles or in a developer bundle.
    static std::optional<std::string> bundle(std::string_view path, std::string_view home);
    // Under one of home's application folders.
    static bool isApplicationData(std::string_view path, std::string_view home);
    // The application's name: the bundle folder's last component.
    static std::string name(std::string_view bundlePath);
};

}  // namespace corvane
