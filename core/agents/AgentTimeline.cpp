#include "core/agents/AgentTimeline.h"

#include <algorithm>
#include <ostream>

#include "core/agents/AgentText.h"
#include "core/base/Utf8.h"

namespace corvane {

namespace {

using Session = AgentTimeline::Session;
using State = AgentTimeline::State;
using Step = AgentTimeline::Step;

// A given value that the session does not hold yet.
bool changes(const std::optional<std::string>& given, const std::optional<std::string>& stored)
{
    return given && given != stored;
}

std::optional<std::string> normalized(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    std::string cleaned = AgentTimeline::normalize(*text);
    return cleaned.empty() ? std::nullopt : std::optional(std::move(cleaned));
}

void putOptional(Json& json, const char* key, const std::optional<std::string>& value)
{
    if (value)
        json[key] = *value;
}

std::optional<std::string> stringField(const Json& json, const char* key)
{
    auto found = json.find(key);
    if (found == json.end() || !found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

std::optional<Step> stepFromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto state = stringField(json, "state");
    auto at = json.contains("at") ? wallTimeFromJson(json["at"]) : std::nullopt;
    if (!state || !at)
        return std::nullopt;
    auto parsed = fromRawValue<State>(*state);
    if (!parsed)
        return std::nullopt;
    return Step{*parsed, *at};
}

std::optional<Session> sessionFromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto id = stringField(json, "id");
    auto agent = stringField(json, "agent");
    auto project = stringField(json, "project");
    if (!id || !agent || !project || !json.contains("steps"))
        return std::nullopt;
    Session session{*id, *agent, *project, stringField(json, "app"), stringField(json, "tty"),
                    stringField(json, "branch"), stringField(json, "path"),
                    decodeLossy<Step>(json["steps"], stepFromJson)};
    if (session.steps.empty())
        return std::nullopt;
    if (session.steps.size() > AgentTimeline::maxSteps)
        session.steps.erase(session.steps.begin(), session.steps.end() - AgentTimeline::maxSteps);
    return session;
}

}  // namespace

std::optional<double> AgentTimeline::Session::lastTurn() const
{
    for (std::size_t i = steps.size(); i-- > 1;) {
        if (steps[i].state == State::finished && steps[i - 1].state == State::working)
            return steps[i].at.secondsSince(steps[i - 1].at);
    }
    return std::nullopt;
}

bool AgentTimeline::record(const Entry& given)
{
    Entry entry = given;
    entry.agent = normalize(entry.agent);
    entry.project = normalize(entry.project);
    entry.app = normalized(entry.app);

    auto found = std::find_if(sessions_.begin(), sessions_.end(), [&](const Session& s) { return s.id == entry.id; });
    if (found == sessions_.end()) {
        if (entry.source == Source::transcript && entry.hooksAuthoritative && entry.state != State::working)
            return false;
        sessions_.insert(sessions_.begin(), Session{entry.id, entry.agent, entry.project, entry.app, entry.tty,
                                                    entry.branch, entry.path, {Step{entry.state, entry.at}}});
        prune(entry.at);
        return true;
    }

    auto index = static_cast<std::size_t>(found - sessions_.begin());
    Session& session = *found;
    bool branchChanged = changes(entry.branch, session.branch);
    bool pathChanged = changes(entry.path, session.path);
    bool fieldsChanged = branchChanged || pathChanged || changes(entry.app, session.app)
        || changes(entry.tty, session.tty);
    bool sameState = entry.state == session.state();
    if (sameState && !fieldsChanged)
        return false;

    if (entry.tty)
        session.tty = entry.tty;
    if (entry.branch)
        session.branch = entry.branch;
    if (entry.path)
        session.path = entry.path;

    if (!sameState) {
        bool appends = false;
        if (entry.source == Source::hook)
            appends = !(entry.state == State::needsYou && session.state() == State::finished
                        && entry.at.secondsSince(session.since()) < idlePromptWindow);
        else if (entry.state == State::working)
            appends = entry.at > session.since();
        else
            appends = !entry.hooksAuthoritative && session.state() != State::needsYou;
        if (!appends)
            return branchChanged || pathChanged;
        session.steps.push_back(Step{entry.state, entry.at});
        if (session.steps.size() > maxSteps)
            session.steps.erase(session.steps.begin(), session.steps.end() - maxSteps);
    }
    if (entry.app)
        session.app = entry.app;
    if (!entry.project.empty())
        session.project = entry.project;
    moveToFront(index);
    prune(entry.at);
    return true;
}

void AgentTimeline::moveToFront(std::size_t index)
{
    std::rotate(sessions_.begin(), sessions_.begin() + static_cast<std::ptrdiff_t>(index),
                sessions_.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

void AgentTimeline::prune(WallTime now)
{
    std::erase_if(sessions_, [now](const Session& s) { return now.secondsSince(s.since()) > retention; });
    if (sessions_.size() > cap)
        sessions_.resize(cap);
}

void AgentTimeline::clearFinished()
{
    std::erase_if(sessions_, [](const Session& s) { return s.state() == State::finished; });
}

bool AgentTimeline::closeStale(WallTime now, double idleAfter)
{
    bool changed = false;
    for (Session& session : sessions_) {
        if (session.state() == State::finished || now.secondsSince(session.since()) <= idleAfter)
            continue;
        session.steps.push_back(Step{State::finished, now});
        if (session.steps.size() > maxSteps)
            session.steps.erase(session.steps.begin());
        changed = true;
    }
    return changed;
}

std::string AgentTimeline::sessionID(std::string_view agent, std::string_view project) const
{
    std::string wantedAgent = normalize(agent);
    std::string wantedProject = normalize(project);
    for (const Session& session : sessions_) {
        if (session.agent == wantedAgent && session.project == wantedProject)
            return session.id;
    }
    return wantedAgent + "|" + wantedProject;
}

std::string AgentTimeline::normalize(std::string_view text)
{
    return utf8Prefix(AgentText::collapsed(text), maxTextCharacters);
}

const AgentTimeline::Session* AgentTimeline::find(std::string_view id) const
{
    auto found = std::find_if(sessions_.begin(), sessions_.end(), [&](const Session& s) { return s.id == id; });
    return found == sessions_.end() ? nullptr : &*found;
}

std::vector<AgentTimeline::ProjectSessions> AgentTimeline::byProject() const
{
    std::vector<ProjectSessions> groups;
    for (const Session& session : sessions_) {
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const ProjectSessions& g) { return g.project == session.project; });
        if (group == groups.end())
            groups.push_back(ProjectSessions{session.project, {session}});
        else
            group->sessions.push_back(session);
    }
    return groups;
}

AgentTimeline::DailySummary AgentTimeline::summary(WallTime day, const Calendar& calendar) const
{
    DailySummary summary;
    for (const Session& session : sessions_) {
        auto reached = [&](State state) {
            return std::any_of(session.steps.begin(), session.steps.end(), [&](const Step& step) {
                return step.state == state && calendar.isSameDay(step.at, day);
            });
        };
        summary.finished += reached(State::finished) ? 1 : 0;
        summary.neededYou += reached(State::needsYou) ? 1 : 0;
        summary.working += reached(State::working) ? 1 : 0;
    }
    return summary;
}

Json AgentTimeline::toJson() const
{
    Json sessions = Json::array();
    for (const Session& session : sessions_) {
        Json steps = Json::array();
        for (const Step& step : session.steps)
            steps.push_back(Json{{"state", rawValue(step.state)}, {"at", corvane::toJson(step.at)}});
        Json json = {{"id", session.id}, {"agent", session.agent}, {"project", session.project}};
        putOptional(json, "app", session.app);
        putOptional(json, "tty", session.tty);
        putOptional(json, "branch", session.branch);
        putOptional(json, "path", session.path);
        json["steps"] = std::move(steps);
        sessions.push_back(std::move(json));
    }
    return Json{{"sessions", std::move(sessions)}};
}

std::optional<AgentTimeline> AgentTimeline::fromJson(const Json& json)
{
    if (!json.is_object() || !json.contains("sessions") || !json["sessions"].is_array())
        return std::nullopt;
    AgentTimeline timeline;
    timeline.sessions_ = decodeLossy<Session>(json["sessions"], sessionFromJson);
    if (timeline.sessions_.size() > cap)
        timeline.sessions_.resize(cap);
    return timeline;
}

std::ostream& operator<<(std::ostream& out, AgentTimeline::State state) { return out << rawValue(state); }

std::ostream& operator<<(std::ostream& out, const AgentTimeline::Session& session)
{
    out << "Session(" << session.id << ", " << session.agent << ", " << session.project << ", [";
    for (const Step& step : session.steps)
        out << " " << step.state << "@" << step.at.unixSeconds();
    return out << " ])";
}

AgentSessionGroups AgentSessionGroups::make(const AgentTimeline& timeline, WallTime now, const Calendar& calendar)
{
    AgentSessionGroups groups;
    for (const Session& session : timeline.sessions()) {
        switch (session.state()) {
        case State::needsYou:
            groups.needsYou.push_back(session);
            break;
        case State::working:
            groups.working.push_back(session);
            break;
        case State::finished:
            if (calendar.isSameDay(session.since(), now))
                groups.finishedToday.push_back(session);
            break;
        }
    }
    return groups;
}

}  // namespace corvane
