#pragma once
// The dev-servers module: finds the development servers on local ports,
// publishes them and every listening port for the Runtime section, turns
// their comings and goings into alerts, and keeps the "devServers.live"
// ear while any server runs.
//
// The pattern every module follows: the module owns its source (here a
// scanner) and its serial queue; one single-shot timer on the main thread
// is re-armed after each result, so at most one scan runs at a time and
// nothing is scheduled while the module is stopped or frozen. The scan
// itself runs on the queue; its result comes back through the scheduler
// and is dropped when the module was stopped or frozen meanwhile.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "app/desktop/OneAtATime.h"
#include "core/base/Log.h"
#include "core/base/Scheduler.h"
#include "core/base/SerialQueue.h"
#include "core/base/Time.h"
#include "core/notch/AlertPost.h"
#include "core/notch/ModuleContext.h"
#include "core/notch/SettingsStore.h"
#include "core/runtime/DevServer.h"
#include "core/runtime/DevServerScanner.h"
#include "core/runtime/DevServerTracker.h"

namespace corvane::app {

class AppEnvironment;
class EarController;
class SectionRegistry;

// What the module says about servers: the alerts of each transition and
// the ear's text. Pure, so the words are checked without a scan.
namespace DevServerWords {

inline constexpr std::string_view upTint = "#34C759";
inline constexpr std::string_view downTint = "#FF453A";

// "http://localhost:" + port.
std::string localURL(int port);
AlertPost started(const DevServer& server);
AlertPost stopped(const DevServer& server);
AlertPost watchedPort(int port, bool up);
// ":" + port for one server, else the count + " servers".
std::string liveText(const std::vector<DevServer>& servers);
// A listener that is no dev server, in the shape the watch tracker follows.
DevServer watchedServer(const PortRow& row);

}  // namespace DevServerWords

class DevServersModule final : public QObject {
    Q_OBJECT
public:
    static constexpr std::string_view moduleID = "devServers";
    static constexpr std::string_view liveActivityID = "devServers.live";
    static constexpr int livePriority = 20;
    // From start, unfreezing or a change of visibility to the first scan.
    static constexpr double firstScanDelay = 0.5;
    // A server is stopped only after two scans in a row missed it.
    static constexpr int missesBeforeStopped = 2;
    // `recentlyDown` keeps the stops of the last ten minutes, at most 20.
    static constexpr double recentlyDownSeconds = 600;
    static constexpr std::size_t recentlyDownLimit = 20;

    struct Sources {
        SettingsStore& settings;
        AlertPipeline& pipeline;
        EarController& ears;
        Scheduler& scheduler;  // the module's timer and the hand-off of results
        const Clock& clock;
    };

    struct Stopped {
        DevServer server;
        WallTime at;
        bool operator==(const Stopped&) const = default;
    };

    explicit DevServersModule(AppEnvironment& environment, QObject* parent = nullptr);
    explicit DevServersModule(Sources sources, QObject* parent = nullptr);
    ~DevServersModule() override;

    // Adds the Runtime section, which shows this module, to the panel.
    void registerSection(SectionRegistry& sections);

    // Scanning runs between start() and stop() while the module is enabled
    // and not frozen.
    void start();
    void stop();
    void setFrozen(bool frozen);
    // Runtime sections report here as they come on screen and leave it; the
    // module is visible while any of them is shown.
    void sectionShown(bool shown);
    bool isVisible() const { return shownSections_ > 0; }

    // The main-thread half of a scan: publishes the result, raises the
    // alerts of its transitions and updates the ear. `sampledLoads` says
    // whether the scan measured loads.
    void apply(ScanResult result, bool sampledLoads);

    // Sorted by port, then pid.
    const std::vector<DevServer>& servers() const { return servers_; }
    const std::vector<PortRow>& ports() const { return ports_; }
    // The last loads measured while the module was visible.
    const std::map<std::int32_t, ProcessLoadSample>& loads() const { return loads_; }
    // Oldest first.
    const std::deque<Stopped>& recentlyDown() const { return recentlyDown_; }
    const Clock& clock() const { return clock_; }

signals:
    // A published list changed.
    void changed();

private:
    bool scanning() const { return running_ && enabled_ && !frozen_; }
    void arm(double delay);
    void cancelTimer();
    void tick();
    void deliver(std::uint64_t generation, bool sampledLoads, ScanResult result);
    // Settings: the module switch starts and stops the scans, the ear
    // switch takes the ear away.
    void settingsChanged();
    void restartScans();
    void alert(const std::vector<DevServerEvent>& events);
    void alertWatched(const std::vector<DevServerEvent>& events);
    void rememberStop(const DevServer& server);
    void updateLiveActivity();

    SettingsStore& settings_;
    EarController& ears_;
    Scheduler& scheduler_;
    const Clock& clock_;
    ModuleContext context_;
    Logger log_{"devServers"};

    DevServerTracker tracker_{missesBeforeStopped};
    DevServerTracker watchTracker_{missesBeforeStopped};
    std::vector<DevServer> servers_;
    std::vector<PortRow> ports_;
    std::map<std::int32_t, ProcessLoadSample> loads_;
    std::deque<Stopped> recentlyDown_;
    std::optional<std::string> liveText_;  // the text of the ear posted now

    bool running_ = false;
    bool enabled_ = true;
    bool frozen_ = false;
    int shownSections_ = 0;
    std::optional<Scheduler::TimerId> timer_;
    OneAtATime scans_;  // the timer may fire while a scan runs
    // Moves on at every stop and freeze, so results of earlier scans are dropped.
    std::uint64_t generation_ = 0;
    SettingsStore::Subscription subscription_ = 0;

    // Last: the queue joins its worker first, while the scanner still exists.
    DevServerScanner scanner_;
    SerialQueue queue_;
};

}  // namespace corvane::app
