#include "core/notch/EntryCommand.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace corvane {

EntryCommand EntryCommand::parse(const std::vector<std::string>& arguments)
{
    auto given = [&](std::string_view flag) { return std::find(arguments.begin(), arguments.end(), flag) != arguments.end(); };
    if (given("--status"))
        return {Mode::Status, {}, false, {}};
    if (given("--usage"))
        return {Mode::Usage, {}, given("--json"), {}};
    if (given("--integrations"))
        return {Mode::Integrations, {}, false, {}};
    for (auto [flag, mode] : {std::pair{std::string_view("--connect"), Mode::Connect},
                              std::pair{std::string_view("--disconnect"), Mode::Disconnect}}) {
        auto found = std::find(arguments.begin(), arguments.end(), flag);
        if (found != arguments.end())
            return {mode, {}, false, std::next(found) != arguments.end() ? *std::next(found) : std::string()};
    }
    auto snapshots = std::find(arguments.begin(), arguments.end(), "--snapshots");
    // A trailing "--snapshots" with nothing after it starts the app as usual.
    if (snapshots != arguments.end() && std::next(snapshots) != arguments.end())
        return {Mode::Snapshots, *std::next(snapshots), false, {}};
    return {Mode::App, {}, false, {}};
}

}  // namespace corvane
