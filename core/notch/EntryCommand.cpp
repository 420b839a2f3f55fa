#include "core/notch/EntryCommand.h"

#include <algorithm>
#include <string_view>

namespace corvane {

EntryCommand EntryCommand::parse(const std::vector<std::string>& arguments)
{
    auto given = [&](std::string_view flag) { return std::find(arguments.begin(), arguments.end(), flag) != arguments.end(); };
    if (given("--status"))
        return {Mode::Status, {}, false};
    if (given("--usage"))
        return {Mode::Usage, {}, given("--json")};
    auto snapshots = std::find(arguments.begin(), arguments.end(), "--snapshots");
    // A trailing "--snapshots" with nothing after it starts the app as usual.
    if (snapshots != arguments.end() && std::next(snapshots) != arguments.end())
        return {Mode::Snapshots, *std::next(snapshots), false};
    return {Mode::App, {}, false};
}

}  // namespace corvane
