#include "core/agents/TranscriptPaths.h"

namespace corvane {

std::optional<std::string> lastPathComponent(std::string_view path)
{
    if (path.empty())
        return std::nullopt;
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string_view::npos)
        return std::string("/");
    const std::string_view trimmed = path.substr(0, end + 1);
    const std::size_t slash = trimmed.rfind('/');
    return std::string(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));
}

}  // namespace corvane
