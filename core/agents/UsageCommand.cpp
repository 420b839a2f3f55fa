#include "core/agents/UsageCommand.h"

#include "core/agents/PriceMemo.h"
#include "core/agents/UsageIndexer.h"
#include "core/agents/UsageReport.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

namespace {

PriceTable userPrices(const std::filesystem::path& settingsFile)
{
    MemoryDefaultsDomain defaults;
    std::vector<DefaultsDomain::Change> entries;
    for (auto& [key, value] : FileDefaultsDomain::peek(settingsFile))
        entries.push_back({key, std::move(value)});
    (void)defaults.apply(entries);
    SettingsStore settings(defaults);
    return PriceTable::withOverrides(settings.get(Keys::aiPriceOverrides));
}

}  // namespace

std::string UsageCommand::run(const Clock& clock, const Calendar& calendar) const
{
    return run(clock, [&] { return calendar; });
}

std::string UsageCommand::run(const Clock& clock, const std::function<Calendar()>& zone) const
{
    UsageIndexer::Options options;
    options.roots = TranscriptCatalog::defaultRoots(environment);
    options.clock = &clock;
    UsageIndexer indexer(options);
    UsageIndexPass pass = indexer.indexAll();

    const Calendar calendar = zone();
    PriceMemo prices(userPrices(settingsFile));
    UsageReport report = indexer.withAggregator([&](const UsageAggregator& store) {
        return UsageReport::make(store, pass.stats, clock.now(), calendar, prices);
    });
    if (json)
        return report.toJson(calendar).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    return report.table(calendar);
}

}  // namespace corvane
