#include "core/agents/LiveTranscripts.h"

#include <ostream>

#include <sys/stat.h>

#include "core/agents/AgentStepExtractor.h"
#include "core/agents/JSONLTailer.h"
#include "core/agents/ModelContextWindow.h"
#include "core/agents/StepTitle.h"
#include "core/base/RawEnum.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

WallTime modificationTime(const struct stat& info)
{
    return WallTime::fromUnixSeconds(static_cast<double>(info.st_mtim.tv_sec)
                                     + static_cast<double>(info.st_mtim.tv_nsec) / 1e9);
}

// Which of two transcripts of one session (a subagent's and its parent's) speaks for it.
int rank(AgentPhase::Case phase)
{
    switch (phase) {
    case AgentPhase::Case::working:
        return 3;
    case AgentPhase::Case::stuck:
        return 2;
    case AgentPhase::Case::finished:
        return 1;
    case AgentPhase::Case::idle:
        break;
    }
    return 0;
}

// Claude Code names only the model; its window comes from the model's table.
std::optional<double> contextPercent(const SessionSteps& steps)
{
    if (steps.contextWindow || !steps.model || !steps.contextTokens)
        return steps.contextPercent();
    SessionSteps sized;
    sized.contextTokens = steps.contextTokens;
    sized.contextWindow = ModelContextWindow::tokens(*steps.model, steps.contextTokens);
    return sized.contextPercent();
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const SessionLive& live)
{
    return out << live.session << " (" << rawValue(live.agent) << ", " << live.project.value_or("-") << ") "
               << live.phase << " step " << live.step.value_or("-");
}

LiveTranscripts::LiveTranscripts(Windows windows, Liveness liveness)
    : windows_(windows)
    , liveness_(std::move(liveness))
{
}

void LiveTranscripts::setStuckAfter(double seconds)
{
    windows_.stuckAfter = seconds;
    for (auto& [path, tracked] : tracked_)
        tracked.activity.setStuckAfter(seconds);
}

void LiveTranscripts::note(const std::map<fs::path, SessionFile>& files)
{
    for (const auto& [path, file] : files) {
        auto found = tracked_.find(path);
        if (found != tracked_.end()) {
            found->second.file = file;
            continue;
        }
        tracked_.emplace(path, Tracked{file, TranscriptCatalog::sessionID(path.string()),
                                       AgentActivity(windows_.workingWindow, windows_.finishAfter, windows_.stuckAfter),
                                       std::nullopt});
    }
}

LiveTranscripts::Tick LiveTranscripts::tick(WallTime now)
{
    Tick tick;
    std::map<std::string, SessionLive> sessions;
    for (auto it = tracked_.begin(); it != tracked_.end();) {
        const fs::path& path = it->first;
        Tracked& tracked = it->second;
        std::optional<WallTime> lastWrite;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            lastWrite = modificationTime(info);
            if (!tracked.tail || tracked.tail->inode != info.st_ino || tracked.tail->size != static_cast<std::uint64_t>(info.st_size))
                readSteps(path, tracked, info.st_ino, static_cast<std::uint64_t>(info.st_size));
        }

        AgentPhase::Case before = tracked.activity.phase().state;
        // Whether the process lives matters only to a quiet transcript that is not idle.
        bool quiet = !lastWrite || now.secondsSince(*lastWrite) > windows_.workingWindow;
        bool processAlive = quiet && before != AgentPhase::Case::idle ? alive(tracked, now) : true;
        if (auto changed = tracked.activity.observe(lastWrite, processAlive, now)) {
            tick.changes.push_back({tracked.session, tracked.file.agent, tracked.file.project.value_or(""),
                                    tracked.file.branch, path.string(), *changed});
        }

        if (tracked.activity.phase().state == AgentPhase::Case::idle && quiet) {
            steps_.remove(tracked.session);
            it = tracked_.erase(it);
            continue;
        }
        SessionLive entry = live(tracked);
        auto [slot, inserted] = sessions.emplace(tracked.session, entry);
        if (!inserted && rank(entry.phase.state) > rank(slot->second.phase.state))
            slot->second = std::move(entry);
        ++it;
    }
    for (auto& [session, entry] : sessions)
        tick.sessions.push_back(std::move(entry));
    return tick;
}

void LiveTranscripts::readSteps(const fs::path& path, Tracked& tracked, std::uint64_t inode, std::uint64_t size)
{
    if (!tracked.tail || tracked.tail->inode != inode) {
        // First sight: the end of the transcript is enough for its latest steps.
        steps_.apply(tracked.session, AgentStepExtractor::tail(path, tracked.file.agent, stepWindowBytes));
        tracked.tail = TailState{inode, size, size, false};
        return;
    }
    auto chunk = JSONLTailer::read(path, tracked.tail, stepReadBytes);
    std::vector<AgentStepEvent> events;
    for (const std::string& line : chunk.lines) {
        auto more = AgentStepExtractor::extract(tracked.file.agent, line);
        events.insert(events.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    if (!events.empty())
        steps_.apply(tracked.session, events);
    tracked.tail = chunk.state;
    // A burst larger than one read: the rest is older than what the next read finds anyway.
    if (chunk.more)
        tracked.tail = TailState{inode, size, size, false};
}

bool LiveTranscripts::alive(const Tracked& tracked, WallTime now)
{
    if (!live_ || now.secondsSince(liveAt_) >= livenessMaxAge || now < liveAt_) {
        live_ = liveness_();
        liveAt_ = now;
    }
    return live_->alive(tracked.file.agent, tracked.file.project);
}

SessionLive LiveTranscripts::live(const Tracked& tracked) const
{
    SessionLive entry{tracked.session, tracked.file.agent, tracked.file.project, tracked.activity.phase(), {}, {}};
    const SessionSteps* steps = steps_.steps(tracked.session);
    if (steps == nullptr)
        return entry;
    entry.contextPercent = contextPercent(*steps);
    auto waiting = steps->waitingOn();
    switch (entry.phase.state) {
    case AgentPhase::Case::working:
        if (waiting)
            entry.step = StepTitle::live(*waiting);
        else if (auto last = steps->last())
            entry.step = StepTitle::done(*last);
        break;
    case AgentPhase::Case::stuck:
        entry.step = StepTitle::waitingFor(waiting);
        break;
    case AgentPhase::Case::finished:
    case AgentPhase::Case::idle:
        if (auto last = steps->last())
            entry.step = StepTitle::done(*last);
        break;
    }
    return entry;
}

}  // namespace corvane
