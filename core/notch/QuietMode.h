#pragma once
// Quiet mode: while on, alerts that are not time-sensitive are only
// recorded. It can run for a while and then end by itself, also across a
// restart of the program, since its end is stored with it. Another process
// (a second launch handing over a URL, a settings import) may change the
// stored state at any time; the automatic end follows it.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "core/base/Scheduler.h"
#include "core/base/Time.h"

namespace corvane {

class SettingsStore;

class QuietMode {
public:
    using ListenerID = std::uint64_t;
    using Listener = std::function<void(bool on)>;

    // Picks up a stored quiet mode: its end is scheduled again, and a quiet
    // mode whose end passed while the program was not running ends now.
    QuietMode(SettingsStore& settings, Scheduler& scheduler, const Clock& clock);
    ~QuietMode();
    QuietMode(const QuietMode&) = delete;
    QuietMode& operator=(const QuietMode&) = delete;

    bool isOn() const;
    // When quiet mode ends by itself; none while off or without an end.
    std::optional<WallTime> until() const;

    // Switches quiet mode; with a positive duration in seconds it ends by
    // itself. Listeners hear of every call, also when nothing changed, so
    // the tray menu always shows the stored state.
    void set(bool on, std::optional<double> durationSeconds = std::nullopt);

    ListenerID addListener(Listener listener);
    void removeListener(ListenerID id);

private:
    struct Stored {
        bool on = false;
        std::optional<WallTime> until;
        bool operator==(const Stored&) const = default;
    };

    Stored stored() const;
    void storeChanged();
    void scheduleEnd();
    void cancelEnd();
    void tellListeners(bool on);

    SettingsStore& settings_;
    Scheduler& scheduler_;
    const Clock& clock_;
    std::optional<Scheduler::TimerId> endTimer_;
    Stored known_;
    bool writing_ = false;
    std::uint64_t subscription_ = 0;
    std::map<ListenerID, Listener> listeners_;
    ListenerID nextListener_ = 1;
};

}  // namespace corvane
