#include "core/runtime/ProjectInfo.h"

#include <array>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "core/base/Files.h"

namespace corvane {

namespace {

constexpr std::array<const char*, 4> markerFiles{"manage.py", "artisan", "Gemfile", "config.ru"};

std::string_view withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

}  // namespace

ProjectInfo ProjectInfo::read(const std::string& folder)
{
    ProjectInfo info;
    if (auto bytes = readFileCapped(folder + "/package.json", maxPackageBytes))
        info.dependencies = packageDependencies(*bytes);
    for (const char* marker : markerFiles) {
        if (::access((folder + "/" + marker).c_str(), F_OK) == 0)
            info.files.insert(marker);
    }
    return info;
}

std::set<std::string> ProjectInfo::packageDependencies(std::string_view packageJson)
{
    std::set<std::string> names;
    if (packageJson.size() > maxPackageBytes)
        return names;
    auto document = nlohmann::json::parse(packageJson, nullptr, false);
    if (!document.is_object())
        return names;
    for (const char* key : {"dependencies", "devDependencies"}) {
        auto found = document.find(key);
        if (found == document.end() || !found->is_object())
            continue;
        for (const auto& item : found->items())
            names.insert(item.key());
    }
    return names;
}

std::optional<std::string> ProjectInfo::projectName(const std::optional<std::string>& folder, std::string_view home)
{
    if (!folder || folder->empty())
        return std::nullopt;
    std::string_view path = withoutTrailingSlashes(*folder);
    if (path == "/" || path == withoutTrailingSlashes(home))
        return std::nullopt;
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace corvane
