#include "core/notch/EntryCommand.h"

#include <algorithm>

namespace corvane {

EntryCommand EntryCommand::parse(const std::vector<std::string>& arguments)
{
    if (std::find(arguments.begin(), arguments.end(), "--status") != arguments.end())
        return {Mode::Status, {}};
    auto snapshots = std::find(arguments.begin(), arguments.end(), "--snapshots");
    // A trailing "--snapshots" with nothing after it starts the app as usual.
    if (snapshots != arguments.end() && std::next(snapshots) != arguments.end())
        return {Mode::Snapshots, *std::next(snapshots)};
    return {Mode::App, {}};
}

}  // namespace corvane
