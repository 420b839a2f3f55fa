#include "core/notch/AlertCenter.h"

#include <algorithm>

#include "core/base/Log.h"

namespace corvane {

namespace {

const Logger& log()
{
    static const Logger logger("alerts");
    return logger;
}

std::vector<Uuid> idsOf(const std::vector<AlertRecord>& records)
{
    std::vector<Uuid> ids;
    ids.reserve(records.size());
    for (const AlertRecord& record : records)
        ids.push_back(record.id);
    return ids;
}

}  // namespace

AlertCenter::AlertCenter(Options options, Scheduler& scheduler, const Clock& clock, Calendar calendar,
                         IsTimeSensitive isTimeSensitive)
    : url_(options.dataFolder / fileName)
    , persists_(options.persists)
    , saveDelay_(options.saveDelay)
    , scheduler_(scheduler)
    , clock_(clock)
    , calendar_(std::move(calendar))
    , isTimeSensitive_(std::move(isTimeSensitive))
{
}

AlertCenter::~AlertCenter()
{
    if (saveWork_)
        scheduler_.cancel(*saveWork_);
}

AlertCenter::LoadReport AlertCenter::load()
{
    LoadReport report;
    if (!persists_)
        return report;
    JsonStoreFile file(url_, maxFileBytes);
    WallTime now = clock_.now();
    JsonStoreFile::Loaded loaded = file.load(now, calendar_);
    report.state = loaded.state;
    report.quarantinedTo = loaded.quarantinedTo;
    AlertHistory history;
    if (loaded.state == JsonStoreFile::State::Parsed) {
        if (auto decoded = AlertHistory::fromJson(loaded.document)) {
            history = std::move(*decoded);
        } else {
            report.state = JsonStoreFile::State::Corrupt;
            if (auto moved = file.quarantine(now, calendar_))
                report.quarantinedTo = *moved;
            else
                loaded.error = moved.error();
        }
    }
    if (report.state == JsonStoreFile::State::Corrupt)
        log().warning("{} does not decode; moved aside to {}", url_.string(),
                      report.quarantinedTo ? report.quarantinedTo->string() : std::string("nowhere"));
    // What is still on disk under the store's name was not read: an empty
    // history must never replace it.
    bool leftInPlace = report.state == JsonStoreFile::State::Unreadable
        || (report.state == JsonStoreFile::State::Corrupt && !report.quarantinedTo);
    if (leftInPlace) {
        saveBlocked_ = true;
        log().error("alert history not saved this run: {}",
                    loaded.error ? loaded.error->message() : url_.string());
    }
    history_ = std::move(history);
    notify();
    return report;
}

Result<void> AlertCenter::flush()
{
    if (saveWork_) {
        scheduler_.cancel(*saveWork_);
        saveWork_.reset();
    }
    if (!dirty_)
        return {};
    return save();
}

AlertCenter::ListenerID AlertCenter::addListener(Listener listener)
{
    ListenerID id = nextListener_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void AlertCenter::removeListener(ListenerID id) { listeners_.erase(id); }

void AlertCenter::add(AlertRecord record)
{
    if (history_.append(std::move(record)))
        changed();
}

void AlertCenter::markAllRead()
{
    WallTime before = history_.lastSeen;
    history_.markAllRead(clock_.now());
    if (history_.lastSeen != before)
        changed();
}

void AlertCenter::remove(const Uuid& id) { remove(std::vector<Uuid>{id}); }

void AlertCenter::remove(const std::vector<Uuid>& ids)
{
    std::size_t before = history_.records.size();
    history_.remove(ids);
    if (history_.records.size() == before)
        return;
    if (armedComplete_ && std::find(ids.begin(), ids.end(), *armedComplete_) != ids.end())
        armedComplete_.reset();
    changed();
}

InboxCounts AlertCenter::counts() const
{
    return InboxPlan::counts(history_.records, clock_.now(), calendar_, isTimeSensitive_);
}

InboxFilter AlertCenter::effectiveFilter() const { return InboxFilters::effective(filter_, counts()); }

std::vector<InboxSection> AlertCenter::sections(NotificationGrouping grouping) const
{
    return InboxPlan::sections(history_.records, filter_, grouping, clock_.now(), calendar_, isTimeSensitive_);
}

void AlertCenter::toggleStack(const std::string& entryID)
{
    if (!openStacks_.erase(entryID))
        openStacks_.insert(entryID);
}

AlertCenter::Press AlertCenter::pressClear(InboxFilter filter)
{
    std::vector<AlertRecord> shown =
        InboxPlan::shown(history_.records, filter, clock_.now(), calendar_, isTimeSensitive_);
    if (shown.empty()) {
        disarm();
        return Press::nothing;
    }
    if (armedClear_ != filter) {
        armedClear_ = filter;
        armedComplete_.reset();
        return Press::armed;
    }
    armedClear_.reset();
    remove(idsOf(shown));
    return Press::done;
}

std::optional<InboxAction> AlertCenter::primaryAction(const AlertRecord& record) const
{
    std::optional<InboxAction> action = InboxActions::primary(record, clock_.now(), reminderHandler_ != nullptr);
    if (action == InboxAction::complete)
        return action;
    if (!action || actionHandler_ == nullptr || !actionHandler_->canPerform(*action, record))
        return std::nullopt;
    return action;
}

AlertCenter::Press AlertCenter::runPrimary(const Uuid& recordID)
{
    auto found = std::find_if(history_.records.begin(), history_.records.end(),
                              [&](const AlertRecord& record) { return record.id == recordID; });
    if (found == history_.records.end()) {
        disarm();
        return Press::nothing;
    }
    // A copy: the handlers may change the history while they run.
    const AlertRecord record = *found;
    std::optional<InboxAction> action = primaryAction(record);
    if (action != InboxAction::complete) {
        disarm();
        if (!action)
            return Press::nothing;
        actionHandler_->perform(*action, record);
        return Press::done;
    }
    if (armedComplete_ != recordID) {
        armedComplete_ = recordID;
        armedClear_.reset();
        return Press::armed;
    }
    armedComplete_.reset();
    const auto* reminder = record.action->as<AlertRecord::Action::CompleteReminder>();
    if (!reminderHandler_(reminder->reminderID, ReminderChange::complete)) {
        log().warning("reminder could not be completed");
        return Press::failed;
    }
    remove(recordID);
    return Press::done;
}

void AlertCenter::disarm()
{
    armedClear_.reset();
    armedComplete_.reset();
}

void AlertCenter::notify()
{
    // A listener may remove itself or another while it runs.
    std::vector<Listener> current;
    current.reserve(listeners_.size());
    for (const auto& [id, listener] : listeners_)
        current.push_back(listener);
    for (const Listener& listener : current)
        listener(history_);
}

void AlertCenter::changed()
{
    dirty_ = true;
    notify();
    if (!persists_ || saveBlocked_ || saveWork_)
        return;
    saveWork_ = scheduler_.schedule(saveDelay_, [this] {
        saveWork_.reset();
        (void)save();
    });
}

Result<void> AlertCenter::save()
{
    if (!persists_ || saveBlocked_)
        return {};
    auto saved = JsonStoreFile(url_, maxFileBytes).save(history_.toJson());
    if (!saved) {
        // The history stays as it is; the next change or flush tries again.
        log().warning("saving the alert history failed: {}", saved.error().message());
        return saved;
    }
    dirty_ = false;
    return saved;
}

}  // namespace corvane
