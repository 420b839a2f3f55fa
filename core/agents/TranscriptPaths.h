#pragma once
// Path text as transcripts carry it (a session's working folder), reduced to
// the project name the usage records keep.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The last component of a path, ignoring trailing slashes: "/a/b/" gives
// "b", "/" gives "/". Nothing for an empty path.
std::optional<std::string> lastPathComponent(std::string_view path);

}  // namespace corvane
