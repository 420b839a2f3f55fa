#include "app/desktop/DevServersModule.h"

#include <utility>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/EarController.h"
#include "app/desktop/RuntimeSection.h"
#include "app/desktop/SectionRegistry.h"
#include "core/notch/Keys.h"
#include "core/notch/ModuleCatalog.h"
#include "core/notch/SurfaceSection.h"
#include "core/runtime/DevScanCadence.h"

namespace corvane::app {

namespace DevServerWords {

namespace {

constexpr std::string_view watchSymbol = "dot.radiowaves.left.and.right";
// Watched ports going down have no colour of their own.
constexpr std::string_view neutralTint = "#8E8E93";

std::string portText(int port) { return ":" + std::to_string(port); }

AlertCardPlan card(std::string_view symbol, std::string_view tint, const AlertPost& post,
                   AlertCardPlan::Primary primary)
{
    const ModuleDescriptor* module = ModuleCatalog::descriptor(DevServersModule::moduleID);
    AlertCardPlan plan;
    plan.symbol = std::string(symbol);
    plan.tintHex = std::string(tint);
    plan.eyebrow = module != nullptr ? module->title : std::string(DevServersModule::moduleID);
    plan.headline = post.title;
    plan.context = post.body;
    plan.primary = std::move(primary);
    return plan;
}

AlertCardPlan::Primary openRuntime() { return AlertCardPlan::Primary::open(std::string(rawValue(SurfaceSection::runtime))); }

}  // namespace

std::string localURL(int port) { return "http://localhost:" + std::to_string(port); }

AlertPost started(const DevServer& server)
{
    int port = server.listener.port;
    AlertPost post;
    post.kind = "devServers.up";
    post.title = std::string(title(server.framework)) + " started";
    post.body = server.project.value_or(server.name) + " on " + localURL(port);
    post.action = AlertRecord::Action::openURL(localURL(port));
    post.card = card("arrowtriangle.up.fill", upTint, post, AlertCardPlan::Primary::openURL(localURL(port)));
    post.ear = EarPayload{"arrowtriangle.up.fill", portText(port)};
    return post;
}

AlertPost stopped(const DevServer& server)
{
    int port = server.listener.port;
    AlertPost post;
    post.kind = "devServers.down";
    post.title = std::string(title(server.framework)) + " stopped";
    post.body = "Port " + std::to_string(port) + " is free again.";
    post.card = card("arrowtriangle.down.fill", downTint, post, openRuntime());
    post.ear = EarPayload{"arrowtriangle.down.fill", post.title};
    return post;
}

AlertPost watchedPort(int port, bool up)
{
    AlertPost post;
    post.kind = "devServers.watch";
    post.title = "Port " + std::to_string(port) + (up ? " is up" : " is down");
    post.body = portText(port) + (up ? " up" : " down");
    post.card = card(watchSymbol, up ? upTint : neutralTint, post, openRuntime());
    post.ear = EarPayload{std::string(watchSymbol), *post.body};
    return post;
}

std::string liveText(const std::vector<DevServer>& servers)
{
    if (servers.size() == 1)
        return portText(servers.front().listener.port);
    return std::to_string(servers.size()) + " servers";
}

DevServer watchedServer(const PortRow& row)
{
    DevServer server;
    server.listener = row.listener;
    server.identity = row.identity.value_or(ProcessIdentity{row.listener.pid, 0, row.path});
    server.name = row.name;
    server.runtime = Runtime::other;
    server.framework = Framework::other;
    server.cwd = row.cwd;
    server.command = row.command;
    server.category = row.category;
    return server;
}

}  // namespace DevServerWords

namespace {

std::set<int> portSet(const IntList& ports) { return {ports.begin(), ports.end()}; }

}  // namespace

DevServersModule::DevServersModule(AppEnvironment& environment, QObject* parent)
    : DevServersModule(Sources{environment.settings(), environment.pipeline(), environment.ears(),
                               environment.scheduler(), environment.clock()},
                       parent)
{
}

DevServersModule::DevServersModule(Sources sources, QObject* parent)
    : QObject(parent),
      settings_(sources.settings),
      ears_(sources.ears),
      scheduler_(sources.scheduler),
      clock_(sources.clock),
      context_(std::string(moduleID), sources.pipeline),
      enabled_(settings_.moduleEnabled(moduleID)),
      queue_("com.lunebox.devservers", scheduler_)
{
    subscription_ = settings_.subscribe([this](int) { settingsChanged(); });
}

DevServersModule::~DevServersModule()
{
    settings_.unsubscribe(subscription_);
    cancelTimer();
    queue_.shutdown(SerialQueue::Shutdown::Drop);
}

void DevServersModule::registerSection(SectionRegistry& sections)
{
    sections.add(std::string(rawValue(SurfaceSection::runtime)),
                 [this](AppEnvironment&, QWidget* parent) { return new RuntimeSection(*this, parent); });
}

void DevServersModule::start()
{
    if (running_)
        return;
    running_ = true;
    restartScans();
}

void DevServersModule::stop()
{
    if (!running_)
        return;
    running_ = false;
    restartScans();
}

void DevServersModule::setFrozen(bool frozen)
{
    if (frozen == frozen_)
        return;
    frozen_ = frozen;
    restartScans();
}

void DevServersModule::sectionShown(bool shown)
{
    bool was = isVisible();
    shownSections_ += shown ? 1 : -1;
    if (was == isVisible() || !scanning())
        return;
    // Loads are measured only while visible, and the cadence follows.
    arm(firstScanDelay);
}

void DevServersModule::restartScans()
{
    ++generation_;
    cancelTimer();
    if (scanning())
        arm(firstScanDelay);
}

void DevServersModule::arm(double delay)
{
    cancelTimer();
    timer_ = scheduler_.schedule(delay, [this] { tick(); });
}

void DevServersModule::cancelTimer()
{
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
}

void DevServersModule::tick()
{
    timer_.reset();
    if (!scans_.begin())
        return;
    std::set<int> ignored = portSet(settings_.get(Keys::devServersIgnoredPorts));
    bool loads = isVisible();
    queue_.submit([this, ignored = std::move(ignored), loads] { return scanner_.scan(ignored, loads); },
                  [this, generation = generation_, loads](ScanResult result) {
                      deliver(generation, loads, std::move(result));
                  });
}

void DevServersModule::deliver(std::uint64_t generation, bool sampledLoads, ScanResult result)
{
    bool again = scans_.end();
    if (generation == generation_)
        apply(std::move(result), sampledLoads);
    if (scanning() && !timer_)
        arm(again ? 0 : DevScanCadence::interval(settings_.get(Keys::devServersScanInterval), isVisible()));
}

void DevServersModule::apply(ScanResult result, bool sampledLoads)
{
    bool listsChanged = false;
    if (result.servers.size() != servers_.size())
        log_.debug("devServers: {} servers, {} ports", result.servers.size(), result.ports.size());
    if (result.servers != servers_) {
        servers_ = result.servers;
        listsChanged = true;
    }
    if (result.ports != ports_) {
        ports_ = result.ports;
        listsChanged = true;
    }
    if (sampledLoads && result.loads != loads_) {
        loads_ = std::move(result.loads);
        listsChanged = true;
    }

    alert(tracker_.update(servers_));
    bool all = settings_.get(Keys::devServersAlertAllListeners);
    std::set<int> watched = portSet(settings_.get(Keys::devServersWatchedPorts));
    std::vector<DevServer> watchedRows;
    for (const PortRow& row : ports_) {
        if (!row.isDevServer && (all || watched.contains(row.listener.port)))
            watchedRows.push_back(DevServerWords::watchedServer(row));
    }
    alertWatched(watchTracker_.update(watchedRows));
    updateLiveActivity();
    if (listsChanged)
        emit changed();
}

void DevServersModule::alert(const std::vector<DevServerEvent>& events)
{
    for (const DevServerEvent& event : events) {
        if (const auto* up = std::get_if<DevServerEvent::Up>(&event.value)) {
            context_.post(DevServerWords::started(up->server));
        } else if (const auto* down = std::get_if<DevServerEvent::Down>(&event.value)) {
            context_.post(DevServerWords::stopped(down->server));
            rememberStop(down->server);
        }
        // A restart only moves the tracker on: the server is back already.
    }
}

void DevServersModule::alertWatched(const std::vector<DevServerEvent>& events)
{
    for (const DevServerEvent& event : events) {
        if (const auto* up = std::get_if<DevServerEvent::Up>(&event.value))
            context_.post(DevServerWords::watchedPort(up->server.listener.port, true));
        else if (const auto* down = std::get_if<DevServerEvent::Down>(&event.value))
            context_.post(DevServerWords::watchedPort(down->server.listener.port, false));
    }
}

void DevServersModule::rememberStop(const DevServer& server)
{
    WallTime now = clock_.now();
    recentlyDown_.push_back({server, now});
    while (!recentlyDown_.empty()
           && (recentlyDown_.size() > recentlyDownLimit
               || now.secondsSince(recentlyDown_.front().at) > recentlyDownSeconds))
        recentlyDown_.pop_front();
}

void DevServersModule::updateLiveActivity()
{
    std::optional<std::string> text;
    if (!servers_.empty() && settings_.get(ModuleSwitch::ears(moduleID)))
        text = DevServerWords::liveText(servers_);
    if (text == liveText_)
        return;
    liveText_ = text;
    if (!text) {
        ears_.remove(liveActivityID);
        return;
    }
    ears_.post(Activity{.id = std::string(liveActivityID),
                        .moduleID = std::string(moduleID),
                        .kind = std::string(liveActivityID),
                        .priority = livePriority,
                        .left = EarContent::symbol("server.rack"),
                        .right = EarContent::text(*text),
                        .tintHex = std::string(DevServerWords::upTint),
                        .createdAt = clock_.now()});
}

void DevServersModule::settingsChanged()
{
    bool enabled = settings_.moduleEnabled(moduleID);
    if (enabled != enabled_) {
        enabled_ = enabled;
        if (!enabled) {
            // Off means forgotten: turned on again, the first scan is a fresh start.
            tracker_ = DevServerTracker(missesBeforeStopped);
            watchTracker_ = DevServerTracker(missesBeforeStopped);
            servers_.clear();
            ports_.clear();
            loads_.clear();
            emit changed();
        }
        restartScans();
    }
    updateLiveActivity();
}

}  // namespace corvane::app
