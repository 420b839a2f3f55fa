#pragma once
// What one start of the executable is asked to do, decided from its
// arguments alone before anything else runs.

#include <string>
#include <vector>

namespace corvane {

struct EntryCommand {
    enum class Mode {
        Status,     // "--status" anywhere: print the status document and exit
        Snapshots,  // "--snapshots DIR": render the views to DIR and exit
        Usage,      // "--usage" (with "--json" for scripts): print token usage and cost and exit
        Integrations,  // "--integrations": list the integrations with their status and exit
        Connect,       // "--connect ID": connect one integration, print the change and exit
        Disconnect,    // "--disconnect ID": remove what connecting it added and exit
        App,        // everything else: the desktop app
    };
    Mode mode = Mode::App;
    std::string snapshotFolder;  // only for Snapshots
    bool json = false;           // only for Usage
    std::string integration;     // only for Connect and Disconnect; empty when none was given

    // `arguments` includes the program name first, as argv does.
    static EntryCommand parse(const std::vector<std::string>& arguments);

    bool operator==(const EntryCommand&) const = default;
};

}  // namespace corvane
