#pragma once
// Files for the integration tests: the real-shaped Claude Code settings
// fixture and plain whole-file reads and writes.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace corvane::testing {

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Claude Code's layout (two spaces, final line feed) with the user's own
// hooks and statusline, other members and an order of its own.
inline std::string claudeSettingsFixture()
{
    return readText(std::filesystem::path(LUNEBOX_TEST_DATA) / "integrations" / "claude-settings.json");
}

}  // namespace corvane::testing
