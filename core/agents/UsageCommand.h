#pragma once
// `lunebox --usage [--json]`: reads the transcript roots afresh, in memory,
// and prints the usage report. Writes nothing and talks to no running
// instance; the user's price overrides are read from the settings file
// without ever rewriting or moving it.

#include <filesystem>
#include <functional>
#include <string>

#include "core/agents/TranscriptCatalog.h"
#include "core/base/Time.h"

namespace corvane {

struct UsageCommand {
    TranscriptCatalog::Environment environment;  // CLAUDE_CONFIG_DIR, CODEX_HOME and HOME choose the roots
    std::filesystem::path settingsFile;
    bool json = false;

    // The text to print, ending in a line feed.
    std::string run(const Clock& clock, const Calendar& calendar) const;
    // The same, asking for the calendar only once the transcripts are read,
    // so that loading the zone database can overlap reading them.
    std::string run(const Clock& clock, const std::function<Calendar()>& calendar) const;
};

}  // namespace corvane
