#pragma once
// The owner of the alert history on the main thread: it records alerts,
// keeps "alerts.json" in the data folder up to date (a debounced atomic
// save), and holds the inbox's state of the moment (filter, open stacks and
// the two-step confirmations of clearing and completing).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/JsonStore.h"
#include "core/base/Result.h"
#include "core/base/Scheduler.h"
#include "core/base/Time.h"
#include "core/base/Uuid.h"
#include "core/notch/AlertHistory.h"
#include "core/notch/AlertRecord.h"
#include "core/notch/InboxAction.h"
#include "core/notch/InboxFilter.h"
#include "core/notch/InboxPlan.h"
#include "core/notch/NotificationGroups.h"

namespace corvane {

// What the desktop does when the user runs a row's primary action. The
// centre decides which action applies and when; the handler performs it.
class AlertActionHandler {
public:
    virtual ~AlertActionHandler() = default;
    // Whether `perform` would act; a row offers no button that cannot.
    virtual bool canPerform(InboxAction, const AlertRecord&) const { return true; }
    virtual void perform(InboxAction action, const AlertRecord& record) = 0;
};

enum class ReminderChange { complete, snooze };

// Completes or snoozes the reminder with this id; true when it worked.
using ReminderHandler = std::function<bool(const std::string& reminderID, ReminderChange change)>;

class AlertCenter {
public:
    static constexpr const char* fileName = "alerts.json";
    static constexpr std::size_t maxFileBytes = 4 * 1024 * 1024;
    static constexpr double defaultSaveDelay = 1.0;

    struct Options {
        std::filesystem::path dataFolder;
        bool persists = true;  // false for previews and harness runs that must not touch the disk
        double saveDelay = defaultSaveDelay;
    };

    AlertCenter(Options options, Scheduler& scheduler, const Clock& clock, Calendar calendar,
                IsTimeSensitive isTimeSensitive);
    ~AlertCenter();
    AlertCenter(const AlertCenter&) = delete;
    AlertCenter& operator=(const AlertCenter&) = delete;

    // Reads "alerts.json" once at start. An absent or blank file is an empty
    // history; a file that does not decode is moved aside and the history
    // starts empty. A file that cannot be read or moved aside is never
    // overwritten: saving stays off for this run.
    struct LoadReport {
        JsonStoreFile::State state = JsonStoreFile::State::Absent;
        std::optional<std::filesystem::path> quarantinedTo;
        bool corrupt() const { return state == JsonStoreFile::State::Corrupt; }
    };
    LoadReport load();
    // Writes a pending save now (on shutdown). A failure keeps the change
    // pending for the next try.
    Result<void> flush();

    const AlertHistory& history() const { return history_; }
    const std::filesystem::path& url() const { return url_; }
    bool persists() const { return persists_; }
    bool savePending() const { return dirty_ && persists_ && !saveBlocked_; }

    // Change listeners run after every change of the history.
    using ListenerID = std::uint64_t;
    using Listener = std::function<void(const AlertHistory&)>;
    ListenerID addListener(Listener listener);
    void removeListener(ListenerID id);

    void setReminderHandler(ReminderHandler handler) { reminderHandler_ = std::move(handler); }
    // Not owned; must outlive the centre or be reset to null first.
    void setActionHandler(AlertActionHandler* handler) { actionHandler_ = handler; }

    // History operations. Each change notifies and schedules a save.
    void add(AlertRecord record);
    void markAllRead();
    void remove(const Uuid& id);
    void remove(const std::vector<Uuid>& ids);

    // The inbox of the moment.
    InboxCounts counts() const;
    InboxFilter filter() const { return filter_; }
    void setFilter(InboxFilter filter) { filter_ = filter; }
    InboxFilter effectiveFilter() const;
    std::vector<InboxSection> sections(NotificationGrouping grouping) const;
    const std::set<std::string>& openStacks() const { return openStacks_; }
    void toggleStack(const std::string& entryID);

    // Two-step clearing: the first press arms, a second press of the same
    // filter clears its records.
    enum class Press { armed, done, nothing, failed };
    std::optional<InboxFilter> armedClear() const { return armedClear_; }
    Press pressClear(InboxFilter filter);
    // The row's primary button: the inbox's action for the record when it can
    // be carried out here (a reminder handler for "Complete", the action
    // handler for the others); none without.
    std::optional<InboxAction> primaryAction(const AlertRecord& record) const;
    // Runs a row's primary action. Completing a reminder is two-step like
    // clearing; a completed reminder's alert leaves the history.
    std::optional<Uuid> armedComplete() const { return armedComplete_; }
    Press runPrimary(const Uuid& recordID);
    // Drops both armed confirmations.
    void disarm();

private:
    void notify();
    // Notifies and schedules a save.
    void changed();
    Result<void> save();

    std::filesystem::path url_;
    bool persists_;
    bool saveBlocked_ = false;  // what is on disk was not read and must not be replaced
    bool dirty_ = false;        // changes not yet on disk
    double saveDelay_;
    Scheduler& scheduler_;
    const Clock& clock_;
    Calendar calendar_;
    IsTimeSensitive isTimeSensitive_;

    AlertHistory history_;
    std::optional<Scheduler::TimerId> saveWork_;
    std::map<ListenerID, Listener> listeners_;
    ListenerID nextListener_ = 1;
    ReminderHandler reminderHandler_;
    AlertActionHandler* actionHandler_ = nullptr;

    InboxFilter filter_ = InboxFilter::all;
    std::set<std::string> openStacks_;
    std::optional<InboxFilter> armedClear_;
    std::optional<Uuid> armedComplete_;
};

}  // namespace corvane
