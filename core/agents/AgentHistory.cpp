#include "core/agents/AgentHistory.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "core/agents/AgentText.h"
#include "core/agents/TranscriptCatalog.h"

namespace corvane {

namespace {

constexpr std::array<std::string_view, 7> weekdays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view weekday(const LocalDateTime& local) { return weekdays[static_cast<std::size_t>(local.weekday)]; }
std::string_view month(const LocalDateTime& local) { return months[static_cast<std::size_t>(local.month - 1)]; }

// The transcript named after its session; a subagent's is named otherwise.
bool namesSession(const std::filesystem::path& path, const std::string& id) { return path.stem().string() == id; }

}  // namespace

std::vector<AgentHistoryEntry> AgentHistory::entries(const std::map<std::filesystem::path, SessionFile>& files,
                                                     const AgentTimeline& timeline, const MetaLookup& meta,
                                                     const std::vector<std::string>& stoppedByRestart, WallTime now)
{
    struct Session {
        std::filesystem::path path;
        SessionFile file;
        WallTime end;
    };
    std::map<std::string, Session> sessions;
    for (const auto& [path, file] : files) {
        if (now.secondsSince(file.lastWrite) > window)
            continue;
        std::string id = TranscriptCatalog::sessionID(path.string());
        auto [found, inserted] = sessions.try_emplace(id, Session{path, file, file.lastWrite});
        Session& session = found->second;
        session.end = std::max(session.end, file.lastWrite);
        if (!inserted && namesSession(path, id) && !namesSession(session.path, id)) {
            session.path = path;
            session.file = file;
        }
    }

    std::vector<AgentHistoryEntry> out;
    for (const auto& [id, session] : sessions) {
        SessionTitle::Meta info = meta(session.path, session.file.agent);
        const AgentTimeline::Session* known = timeline.find(id);
        AgentHistoryEntry entry;
        entry.id = id;
        entry.agent = std::string(title(session.file.agent));
        entry.path = session.path.string();
        entry.project = session.file.project.value_or("");
        entry.branch = session.file.branch ? session.file.branch : info.branch;
        entry.title = info.title.value_or(entry.project.empty() ? entry.agent : entry.project);
        entry.end = session.end;
        entry.start = std::min(info.start.value_or(known ? known->started() : session.end), session.end);
        entry.state = known ? known->state() : AgentTimeline::State::finished;
        entry.stoppedByRestart
            = std::find(stoppedByRestart.begin(), stoppedByRestart.end(), id) != stoppedByRestart.end();
        out.push_back(std::move(entry));
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.end > b.end; });
    return out;
}

std::vector<AgentHistoryEntry> AgentHistory::filter(const std::vector<AgentHistoryEntry>& entries,
                                                    std::string_view query, Filter agent,
                                                    const std::vector<std::string>& hidden)
{
    static constexpr std::string_view blanks = " \t\r\n";
    std::string_view needle = query.substr(std::min(query.find_first_not_of(blanks), query.size()));
    needle = needle.substr(0, needle.find_last_not_of(blanks) + 1);
    std::vector<AgentHistoryEntry> out;
    for (const AgentHistoryEntry& entry : entries) {
        if (agent == Filter::claude && entry.agent != title(AgentKind::claudeCode))
            continue;
        if (agent == Filter::codex && entry.agent != title(AgentKind::codex))
            continue;
        if (std::find(hidden.begin(), hidden.end(), entry.id) != hidden.end())
            continue;
        if (AgentText::containsIgnoringCase(entry.project, needle)
            || AgentText::containsIgnoringCase(entry.branch.value_or(""), needle)
            || AgentText::containsIgnoringCase(entry.title, needle))
            out.push_back(entry);
    }
    return out;
}

std::vector<AgentHistory::Group> AgentHistory::groups(const std::vector<AgentHistoryEntry>& entries, WallTime now,
                                                      const Calendar& calendar)
{
    std::vector<AgentHistoryEntry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.end > b.end; });
    std::vector<Group> out;
    for (AgentHistoryEntry& entry : sorted) {
        if (out.empty() || !calendar.isSameDay(out.back().entries.front().end, entry.end))
            out.push_back(Group{dayTitle(entry.end, now, calendar), {}});
        out.back().entries.push_back(std::move(entry));
    }
    return out;
}

std::string AgentHistory::dayTitle(WallTime day, WallTime now, const Calendar& calendar)
{
    std::int64_t difference = calendar.dayNumber(now) - calendar.dayNumber(day);
    if (difference == 0)
        return "TODAY";
    if (difference == 1)
        return "YESTERDAY";
    LocalDateTime local = calendar.components(day);
    std::string title = fmt::format("{} {} {}", weekday(local), local.day, month(local));
    std::transform(title.begin(), title.end(), title.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return title;
}

std::string AgentHistory::lastSeen(WallTime date, WallTime now, const Calendar& calendar)
{
    LocalDateTime local = calendar.components(date);
    if (calendar.isSameDay(date, now))
        return fmt::format("last {:02}:{:02}", local.hour, local.minute);
    if (now.secondsSince(date) < weekdayRange)
        return fmt::format("last {}", weekday(local));
    return fmt::format("last {} {}", local.day, month(local));
}

std::vector<std::string> AgentHistory::hide(const std::string& id, std::vector<std::string> hidden)
{
    std::erase(hidden, id);
    hidden.push_back(id);
    if (hidden.size() > hiddenCap)
        hidden.erase(hidden.begin(), hidden.end() - static_cast<std::ptrdiff_t>(hiddenCap));
    return hidden;
}

}  // namespace corvane
