#pragma once
// The gate in front of every credential read: only the real application
// reads the user's stored secrets, so development and variant builds never
// touch them.

#include <optional>
#include <string_view>

namespace corvane::KeychainAccess {

inline constexpr std::string_view realBundleID = "com.lunebox.app";

// False for no identifier; otherwise whether it is the real application's.
bool mayRead(std::optional<std::string_view> applicationID);
// mayRead for the application id compiled into this build.
bool allowed();

}  // namespace corvane::KeychainAccess
