#pragma once
// Decides which listening processes are development servers, what they run
// on and which framework serves them, from the process name, its argument
// vector and what lies in its working folder. Stateless; the name, port and
// matcher tables are constants.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/runtime/DevServer.h"
#include "core/runtime/Framework.h"

namespace corvane {

struct DevServerClassifier {
    // Whose servers count, and where their own programs live.
    struct User {
        std::uint32_t uid = 0;
        std::string home;
        // The user running this process, looked up once.
        static const User& current();
    };

    static bool isSystemPath(std::string_view path);
    // Nothing for programs of the operating system and of installed
    // applications; `other` for an unrecognised program in the user's own folders.
    static std::optional<Runtime> runtime(std::string_view name, const std::vector<std::string>& argv,
                                          std::string_view home);
    static Framework framework(const std::vector<std::string>& argv, const std::set<std::string>& packageDependencies,
                               const std::set<std::string>& files);
    static PortCategory category(int port, std::string_view name);
    static bool isDevServer(std::string_view name, std::string_view path, const std::vector<std::string>& argv,
                            std::uint32_t uid, int port, const User& user);
};

}  // namespace corvane
