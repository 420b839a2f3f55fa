#include "core/agents/IntegrationsCommand.h"

#include <algorithm>
#include <vector>

#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

namespace {

std::string listing(const IntegrationsModel& model)
{
    std::size_t width = 0;
    auto statuses = model.statuses();
    for (const auto& [id, status] : statuses)
        width = std::max(width, id.size());
    std::string out;
    for (const auto& [id, status] : statuses)
        out += id + std::string(width - id.size() + 2, ' ') + status.text + status.detail + "\n";
    return out;
}

}  // namespace

IntegrationsCommand::Output IntegrationsCommand::run(IntegrationsModel& model, Action action, const std::string& id)
{
    if (action == Action::list)
        return {0, listing(model), {}};
    if (id.empty()) {
        std::string usage = action == Action::connect ? "--connect" : "--disconnect";
        std::string known;
        for (const auto& each : model.ids())
            known += (known.empty() ? "" : ", ") + each;
        return {2, {}, "lunebox: " + usage + " needs an integration: " + known + "\n"};
    }
    auto change = action == Action::connect ? model.connect(id) : model.disconnect(id);
    if (!change)
        return {1, {}, change.error().context + "\n"};
    std::string out;
    for (const auto& line : change->diff)
        out += line + "\n";
    if (change->diff.empty())
        out = change->path.string() + " already has what " + id + " needs; nothing changed\n";
    if (change->deleted)
        out += "Removed " + change->path.string() + ", which Lunebox had created\n";
    return {0, std::move(out), {}};
}

int IntegrationsCommand::thresholdSeconds(const std::filesystem::path& settingsFile)
{
    MemoryDefaultsDomain defaults;
    std::vector<DefaultsDomain::Change> entries;
    for (auto& [key, value] : FileDefaultsDomain::peek(settingsFile))
        entries.push_back({key, std::move(value)});
    (void)defaults.apply(entries);
    return SettingsStore(defaults).get(Keys::commandHookThresholdSec);
}

}  // namespace corvane
