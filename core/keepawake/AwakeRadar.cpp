#include "core/keepawake/AwakeRadar.h"

#include <algorithm>
#include <map>

#include <fmt/format.h>

namespace corvane::AwakeRadar {

namespace {

bool names(std::string_view list, std::string_view wanted)
{
    while (!list.empty()) {
        auto colon = list.find(':');
        if (list.substr(0, colon) == wanted)
            return true;
        if (colon == std::string_view::npos)
            break;
        list.remove_prefix(colon + 1);
    }
    return false;
}

}  // namespace

std::vector<PowerAssertion> parse(const std::vector<Inhibitor>& inhibitors, const ProcessLookup& lookup)
{
    std::vector<PowerAssertion> out;
    for (const Inhibitor& lock : inhibitors) {
        if (lock.what.empty())
            continue;  // holds nothing
        PowerAssertion assertion;
        assertion.pid = lock.pid;
        assertion.process = lock.who.empty() ? fmt::format("pid {}", lock.pid) : lock.who;
        assertion.type = lock.what;
        assertion.name = lock.why;
        assertion.delayOnly = lock.mode == "delay";
        assertion.uid = lock.uid;
        if (lookup) {
            RunningProcess process = lookup(lock.pid);
            assertion.path = std::move(process.path);
            assertion.regularApp = process.regularApp;
        }
        out.push_back(std::move(assertion));
    }
    return out;
}

Effect effect(std::string_view type, bool delayOnly)
{
    if (delayOnly)
        return Effect::system;
    for (std::string_view sleeps : {"sleep", "handle-lid-switch", "handle-suspend-key", "handle-hibernate-key"}) {
        if (names(type, sleeps))
            return Effect::stopsSleep;
    }
    return names(type, "idle") ? Effect::display : Effect::system;
}

std::string tag(Effect effect, bool system)
{
    if (system)
        return "System";
    switch (effect) {
    case Effect::stopsSleep: return "Stops sleep";
    case Effect::display: return "Keeps display on";
    case Effect::system: break;
    }
    return "Brief";
}

bool isSystem(const std::optional<std::string>& path)
{
    if (!path)
        return true;
    for (std::string_view folder : {"/usr/libexec/", "/usr/sbin/", "/sbin/", "/usr/lib/systemd/", "/lib/systemd/"}) {
        if (path->starts_with(folder))
            return true;
    }
    return false;
}

bool isSystem(const PowerAssertion& assertion)
{
    return assertion.uid == 0 || isSystem(assertion.path);
}

bool canQuit(const PowerAssertion& assertion, std::uint32_t ownUID)
{
    return assertion.regularApp && assertion.uid == ownUID && !isSystem(assertion);
}

std::vector<Row> rows(const std::vector<PowerAssertion>& assertions, std::int32_t ownPID, std::uint32_t ownUID)
{
    std::map<std::int32_t, std::vector<const PowerAssertion*>> byPID;
    for (const PowerAssertion& assertion : assertions) {
        if (assertion.pid != ownPID)
            byPID[assertion.pid].push_back(&assertion);
    }
    std::vector<Row> out;
    for (const auto& [pid, held] : byPID) {
        const PowerAssertion& first = *held.front();
        Row row;
        row.pid = pid;
        row.name = first.process;
        row.system = isSystem(first);
        row.canQuit = canQuit(first, ownUID);
        bool brief = false;
        std::vector<std::string> parts;
        for (const PowerAssertion* assertion : held) {
            Effect each = effect(assertion->type, assertion->delayOnly);
            row.effect = std::min(row.effect, each);
            brief = brief || assertion->delayOnly;
            if (!assertion->name.empty() && std::find(parts.begin(), parts.end(), assertion->name) == parts.end())
                parts.push_back(assertion->name);
        }
        if (brief && row.effect == Effect::system)
            parts.push_back("brief");
        if (row.system)
            parts.push_back("system");
        row.tag = tag(row.effect, row.system);
        for (const std::string& part : parts)
            row.sub += (row.sub.empty() ? "" : " · ") + part;
        out.push_back(std::move(row));
    }
    std::stable_sort(out.begin(), out.end(), [](const Row& a, const Row& b) {
        if (a.effect != b.effect)
            return a.effect < b.effect;
        return a.name < b.name;
    });
    return out;
}

}  // namespace corvane::AwakeRadar

namespace corvane {

std::ostream& operator<<(std::ostream& out, const AwakeRadar::Row& row)
{
    return out << "Row{pid " << row.pid << ", \"" << row.name << "\", \"" << row.sub << "\", " << row.tag
               << (row.canQuit ? ", can quit" : "") << "}";
}

}  // namespace corvane
