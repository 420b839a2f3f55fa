#pragma once
// "agent-sessions.json" in the data folder: the timeline, read once at
// start and written whole after changes (the app debounces). A file that
// does not decode is moved aside and the timeline starts empty; a file that
// cannot be read or moved aside is never overwritten.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

#include "core/agents/AgentTimeline.h"
#include "core/base/JsonStore.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

class AgentTimelineStore {
public:
    static constexpr std::string_view fileName = "agent-sessions.json";
    // 200 sessions of 16 steps take about 300 KB.
    static constexpr std::size_t maxFileBytes = 2 * 1024 * 1024;

    struct Loaded {
        AgentTimeline timeline;
        JsonStoreFile::State state = JsonStoreFile::State::Absent;
        std::optional<std::filesystem::path> quarantinedTo;
        bool corrupt() const { return state == JsonStoreFile::State::Corrupt; }
    };

    explicit AgentTimelineStore(const std::filesystem::path& dataFolder);

    const std::filesystem::path& path() const { return file_.path(); }
    Loaded load(WallTime now, const Calendar& calendar);
    // Refused after a load that left unread content under the store's name.
    Result<void> save(const AgentTimeline& timeline) const;

private:
    JsonStoreFile file_;
    bool saveBlocked_ = false;
};

}  // namespace corvane
