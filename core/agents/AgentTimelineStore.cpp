#include "core/agents/AgentTimelineStore.h"

#include "core/base/Log.h"

namespace corvane {

namespace {

const Logger& log()
{
    static const Logger logger("agents");
    return logger;
}

}  // namespace

AgentTimelineStore::AgentTimelineStore(const std::filesystem::path& dataFolder)
    : file_(dataFolder / fileName, maxFileBytes)
{
}

AgentTimelineStore::Loaded AgentTimelineStore::load(WallTime now, const Calendar& calendar)
{
    Loaded result;
    JsonStoreFile::Loaded loaded = file_.load(now, calendar);
    result.state = loaded.state;
    result.quarantinedTo = loaded.quarantinedTo;
    if (loaded.state == JsonStoreFile::State::Parsed) {
        if (auto decoded = AgentTimeline::fromJson(loaded.document)) {
            result.timeline = std::move(*decoded);
        } else {
            result.state = JsonStoreFile::State::Corrupt;
            if (auto moved = file_.quarantine(now, calendar))
                result.quarantinedTo = *moved;
            else
                loaded.error = moved.error();
        }
    }
    if (result.corrupt())
        log().warning("{} does not decode; moved aside to {}", file_.path().string(),
                      result.quarantinedTo ? result.quarantinedTo->string() : std::string("nowhere"));
    saveBlocked_ = result.state == JsonStoreFile::State::Unreadable || (result.corrupt() && !result.quarantinedTo);
    if (saveBlocked_)
        log().error("agent sessions not saved this run: {}",
                    loaded.error ? loaded.error->message() : file_.path().string());
    return result;
}

Result<void> AgentTimelineStore::save(const AgentTimeline& timeline) const
{
    if (saveBlocked_)
        return fail(Error::make(Error::Code::Unavailable, "save agent sessions", file_.path().string()));
    return file_.save(timeline.toJson());
}

}  // namespace corvane
