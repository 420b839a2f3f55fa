#include "app/desktop/AISetupModule.h"

#include <algorithm>
#include <utility>

#include "app/desktop/AISection.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/SectionRegistry.h"
#include "core/notch/SurfaceSection.h"
#include "core/agents/IntegrationTargets.h"
#include "core/agents/IntegrationsModel.h"
#include "core/agents/LineDiff.h"
#include "core/base/JsonStore.h"
#include "core/notch/Keys.h"

namespace corvane::app {

namespace fs = std::filesystem;

namespace {

// The sentence a refusal carries, or the error's own words.
std::string userText(const Error& error) { return error.context.empty() ? error.message() : error.context; }

std::vector<std::string> diffOf(const WriteResult& write, const fs::path& home)
{
    return LineDiff::unified(write.previous.value_or(""), write.text, AISetup::displayPath(write.path, home));
}

std::set<std::string> decodeAnnounced(const Json& document)
{
    std::set<std::string> ids;
    if (!document.is_array())
        return ids;
    for (const Json& id : document)
        if (id.is_string())
            ids.insert(id.get<std::string>());
    return ids;
}

}  // namespace

struct AISetupModule::Scan {
    std::vector<IntegrationRow> integrations;
    AISetup::Report report;
    std::vector<AISetup::Issue> announce;  // found for the first time
};

AISetupModule::AISetupModule(AppEnvironment& environment, QObject* parent)
    : AISetupModule(Sources{environment.settings(), environment.pipeline(), environment.scheduler(),
                            environment.clock(), Calendar::local(), IntegrationTargets::thisProcess(environment.paths().home()),
                            environment.paths().appSupport()},
                    parent)
{
}

AISetupModule::AISetupModule(Sources sources, QObject* parent)
    : QObject(parent),
      settings_(sources.settings),
      scheduler_(sources.scheduler),
      clock_(sources.clock),
      calendar_(std::move(sources.calendar)),
      env_(std::move(sources.env)),
      dataFolder_(std::move(sources.dataFolder)),
      watchFolders_(sources.watchFolders),
      context_("ai", sources.pipeline),
      queue_("com.lunebox.aisetup", scheduler_)
{
}

AISetupModule::~AISetupModule()
{
    stop();
    queue_.shutdown(SerialQueue::Shutdown::Drop);
}

std::string AISetupModule::title(std::string_view id)
{
    if (id == "claude.hooks")
        return "Claude Code hooks";
    if (id == "claude.statusline")
        return "Claude Code statusline";
    if (id == "codex.notify")
        return "Codex notifier";
    if (id == "shell.commandHook")
        return "Shell command hook";
    return std::string(id);
}

void AISetupModule::registerSection(SectionRegistry& sections)
{
    sections.extend(rawValue(SurfaceSection::ai), [this](QWidget* widget) {
        if (auto* section = qobject_cast<AISection*>(widget))
            section->setSetup(this);
    });
}

void AISetupModule::start()
{
    if (running_)
        return;
    running_ = true;
    if (watchFolders_) {
        std::vector<FileWatcher::Root> roots;
        for (const fs::path& folder : IntegrationRegistry::watchedFolders(env_))
            roots.push_back({folder, 0});
        auto watcher = FileWatcher::start({roots, watchLatency, "agent settings"},
                                          [this](const FileWatcher::Changes& changes) {
                                              if (changes.everything || IntegrationRegistry::isRelevant(changes.files, env_))
                                                  queue_.toMainThread([this] { rescan(); });
                                          });
        if (watcher)
            watcher_ = std::move(*watcher);
        else
            log_.warning("agent settings are looked at every {} s only: {}", rescanSeconds, watcher.error().message());
    }
    rescan();
}

void AISetupModule::stop()
{
    if (!running_)
        return;
    running_ = false;
    ++generation_;
    watcher_.reset();
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
}

void AISetupModule::setProjects(std::vector<fs::path> projects)
{
    std::sort(projects.begin(), projects.end());
    projects.erase(std::unique(projects.begin(), projects.end()), projects.end());
    if (projects == projects_)
        return;
    projects_ = std::move(projects);
    rescan();
}

void AISetupModule::rescan()
{
    if (!running_)
        return;
    if (scanInFlight_) {
        rescanWanted_ = true;
        return;
    }
    scanNow();
}

std::vector<IntegrationWriter> AISetupModule::writers() const
{
    return IntegrationTargets::writable(env_, env_.helperPath, settings_.get(Keys::commandHookThresholdSec));
}

void AISetupModule::scanNow()
{
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
    scanInFlight_ = true;
    auto job = [writers = writers(), env = env_, projects = projects_, folder = dataFolder_, &clock = clock_,
                calendar = calendar_] {
        IntegrationsModel model(folder, writers, clock, calendar);
        Scan scan;
        AISetup::Input input{projects, {}};
        auto manifests = model.manifests();
        for (const IntegrationWriter& writer : writers) {
            bool installed = std::any_of(manifests.begin(), manifests.end(),
                                         [&](const IntegrationManifest& entry) { return entry.id == writer.id; });
            ConnectionStatus status = writer.status();
            std::optional<WriteResult> reinstall;
            if (installed && !status.connected() && !writer.blocked)
                if (auto preview = writer.install())
                    reinstall = std::move(*preview);
            input.integrations.push_back({writer.id, status, installed, reinstall});
            scan.integrations.push_back({writer.id, title(writer.id), status, installed, writer.blocked});
        }
        scan.report = AISetup::scan(env, input);

        JsonStoreFile store(folder / storeName, 256 * 1024);
        auto announced = loadStore<std::set<std::string>>(
            store, [](const Json& document) { return std::optional(decodeAnnounced(document)); }, clock.now(),
            calendar);
        Json current = Json::array();
        for (const AISetup::Issue& issue : scan.report.issues) {
            current.push_back(issue.id);
            if (!announced.contains(issue.id))
                scan.announce.push_back(issue);
        }
        if (decodeAnnounced(current) != announced)
            (void)store.save(current);
        return scan;
    };
    queue_.submit(std::move(job), [this, generation = generation_](Scan scan) { deliverScan(generation, std::move(scan)); });
}

void AISetupModule::deliverScan(std::uint64_t generation, Scan scan)
{
    scanInFlight_ = false;
    if (generation != generation_ || !running_)
        return;
    for (const AISetup::Issue& issue : scan.announce)
        context_.post(AISetup::alert(issue));
    state_.integrations = std::move(scan.integrations);
    state_.report = std::move(scan.report);
    state_.scanned = true;
    if (state_.undo && clock_.now() > state_.undo->until)
        state_.undo.reset();
    emit changed();
    if (std::exchange(rescanWanted_, false)) {
        scanNow();
        return;
    }
    timer_ = scheduler_.schedule(rescanSeconds, [this] {
        timer_.reset();
        rescan();
    });
}

void AISetupModule::preview(PendingChange::Kind kind, const std::string& id)
{
    pending_.reset();
    if (kind == PendingChange::Kind::fix) {
        auto issue = std::find_if(state_.report.issues.begin(), state_.report.issues.end(),
                                  [&](const AISetup::Issue& candidate) { return candidate.id == id; });
        if (issue == state_.report.issues.end() || !issue->fix)
            return finish("That issue is gone — nothing to fix");
        pending_ = PendingChange{kind, id, issue->title, issue->fix->diff};
        emit changed();
        return;
    }
    auto job = [kind, id, writers = writers(), folder = dataFolder_, home = env_.home, &clock = clock_,
                calendar = calendar_]() -> Result<PendingChange> {
        auto writer = std::find_if(writers.begin(), writers.end(), [&](const auto& w) { return w.id == id; });
        if (writer == writers.end())
            return fail(integrationRefusal("Lunebox doesn't know that integration"));
        if (kind == PendingChange::Kind::connect) {
            if (writer->blocked)
                return fail(integrationRefusal(*writer->blocked));
            auto write = writer->install();
            if (!write)
                return fail(write.error());
            return PendingChange{kind, id, "Connect " + title(id), diffOf(*write, home)};
        }
        IntegrationsModel model(folder, writers, clock, calendar);
        auto manifests = model.manifests();
        auto entry = std::find_if(manifests.begin(), manifests.end(), [&](const auto& m) { return m.id == id; });
        if (entry == manifests.end())
            return fail(integrationRefusal("Lunebox has no record of connecting this, so it left the file alone"));
        auto write = writer->uninstall(entry->record);
        if (!write)
            return fail(write.error());
        return PendingChange{kind, id, "Disconnect " + title(id), diffOf(*write, home)};
    };
    queue_.submit(std::move(job), [this](Result<PendingChange> result) {
        if (!result)
            return finish(userText(result.error()));
        pending_ = std::move(*result);
        emit changed();
    });
}

void AISetupModule::cancel()
{
    if (!pending_)
        return;
    pending_.reset();
    emit changed();
}

void AISetupModule::confirm()
{
    if (!pending_)
        return;
    PendingChange change = std::exchange(pending_, std::nullopt).value();
    std::optional<AISetup::FixPlan> plan;
    if (change.kind == PendingChange::Kind::fix) {
        for (const AISetup::Issue& issue : state_.report.issues)
            if (issue.id == change.id)
                plan = issue.fix;
        if (!plan)
            return finish("That issue is gone — nothing to fix");
    }
    struct Outcome {
        std::string status;
        std::optional<AISetup::Undo> undo;
    };
    auto job = [change, plan, writers = writers(), folder = dataFolder_, &clock = clock_,
                calendar = calendar_]() -> Outcome {
        IntegrationsModel model(folder, writers, clock, calendar);
        using Kind = AISetup::Change::Kind;
        if (plan && plan->change.kind != Kind::reconnect) {
            auto undo = AISetup::apply(*plan, clock.now());
            if (!undo)
                return {userText(undo.error()), std::nullopt};
            return {"Fixed: " + plan->issue, std::move(*undo)};
        }
        bool connecting = change.kind != PendingChange::Kind::disconnect;
        std::string id = plan ? plan->change.integration : change.id;
        auto done = connecting ? model.connect(id) : model.disconnect(id);
        if (!done)
            return {userText(done.error()), std::nullopt};
        return {(connecting ? "Connected " : "Disconnected ") + title(id), std::nullopt};
    };
    queue_.submit(std::move(job), [this](Outcome outcome) {
        if (outcome.undo)
            state_.undo = std::move(outcome.undo);
        finish(std::move(outcome.status));
        rescan();
    });
}

void AISetupModule::undoFix()
{
    if (!state_.undo)
        return;
    AISetup::Undo record = *state_.undo;
    queue_.submit([record, &clock = clock_] { return AISetup::undo(record, clock.now()); },
                  [this](Result<void> done) {
                      if (done)
                          state_.undo.reset();
                      finish(done ? "Undone" : userText(done.error()));
                      rescan();
                  });
}

void AISetupModule::finish(std::string status)
{
    status_ = std::move(status);
    emit changed();
}

}  // namespace corvane::app
