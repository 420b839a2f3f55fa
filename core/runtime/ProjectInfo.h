#pragma once
// What a server's working folder says about its project: the packages
// "package.json" depends on, which framework marker files lie there, and
// the project's name.

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace corvane {

struct ProjectInfo {
    // "package.json" is not read past this size.
    static constexpr std::size_t maxPackageBytes = 65536;

    std::set<std::string> dependencies;
    std::set<std::string> files;  // of "manage.py", "artisan", "Gemfile", "config.ru"

    // Reads the folder; a missing or unreadable "package.json" gives no dependencies.
    static ProjectInfo read(const std::string& folder);
    // The keys of "dependencies" and then "devDependencies"; empty for
    // anything that is not a JSON object.
    static std::set<std::string> packageDependencies(std::string_view packageJson);
    // The folder's last component; nothing for no folder, "/" or home.
    static std::optional<std::string> projectName(const std::optional<std::string>& folder, std::string_view home);

    bool operator==(const ProjectInfo&) const = default;
};

}  // namespace corvane
