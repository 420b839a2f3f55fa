#pragma once
// Applications as other programs name them: a desktop-file id without its
// ".desktop" suffix ("org.videolan.VLC", "firefox"). Window properties and
// media players are written by other processes, so a name is checked
// before it is used, and above all before it becomes part of a path.

#include <string_view>

namespace corvane::platform::DesktopAppID {

// Letters, digits, '.', '-', '_' and '+'; 1 to 255 characters; not starting with a dot.
bool isValid(std::string_view id);

}  // namespace corvane::platform::DesktopAppID
