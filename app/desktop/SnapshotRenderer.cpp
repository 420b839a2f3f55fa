#include "app/desktop/SnapshotRenderer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>

#include "app/desktop/AISection.h"
#include "app/desktop/AppEnvironment.h"
#include "app/desktop/ArtworkCache.h"
#include "app/desktop/CardWindow.h"
#include "app/desktop/DevServersModule.h"
#include "app/desktop/EarPainter.h"
#include "app/desktop/IslandWindow.h"
#include "app/desktop/NotificationsSurface.h"
#include "app/desktop/PanelWindow.h"
#include "app/desktop/SectionRegistry.h"
#include "core/base/Files.h"
#include "core/base/Log.h"
#include "core/notch/EarChoices.h"
#include "core/notch/KnownPaths.h"
#include "core/notch/SurfaceSection.h"
#include "platform/linux/DesktopTerminalLauncher.h"

namespace corvane::app::SnapshotRenderer {

namespace fs = std::filesystem;

namespace {

const Logger logger("snapshots");

// A moment that reads well in a picture, the same on every run.
const WallTime shotTime = WallTime::fromUnixSeconds(1'780'000'000);

template <typename Paint>
QImage render(QSizeF logical, Paint&& paint)
{
    QImage image((logical * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    return image;
}

QImage renderEars(const EarContent& content, const ArtworkCache& artwork)
{
    IslandWindow::EarView view{.left = content,
                               .right = content,
                               .leftTint = QColor(0x30, 0xD1, 0x58),
                               .rightTint = QColor(0x30, 0xD1, 0x58),
                               .width = double(points(EarWidth::wide)),
                               .rightExtra = 0};
    return render(IslandWindow::islandSize(view),
                  [&](QPainter& painter) { IslandWindow::paintIsland(painter, view, &artwork); });
}

QImage renderCard()
{
    PresentedAlert alert{
        .surface = EventStyle::card,
        .kind = "ai.finished",
        .moduleID = "ai",
        .coalesceKey = "lunebox",
        .title = "Claude Code finished",
        .body = "lunebox · 4 files changed",
        .date = shotTime,
        .duration = 6,
        .count = 3,
        .card = std::nullopt,
        .ear = std::nullopt,
        .action = std::nullopt,
    };
    AlertQueue::Card card{.alert = alert,
                          .priority = AlertQueue::ordinaryPriority,
                          .queuedAt = shotTime,
                          .countdown = AlertCountdown::started(6, shotTime)};
    card.alert.card = CardWindow::planOf(alert);
    card.alert.card->eyebrow = "Claude Code";
    card.alert.card->headline = "Finished in lunebox";
    card.alert.card->context = "4 files changed · 2m 10s";
    return render(QSizeF(CardWindow::cardSize),
                  [&](QPainter& painter) {
                      CardWindow::paintCard(painter, CardWindow::cardSize, card, shotTime.plusSeconds(2),
                                            InboxAction::details);
                  });
}

// Three servers and the ports around them, started a while before `now`.
ScanResult sampleScan(WallTime now)
{
    auto started = [now](double minutesAgo) {
        return std::uint64_t(now.plusSeconds(-60 * minutesAgo).unixSeconds()) * 1'000'000;
    };
    auto server = [&](std::int32_t pid, int port, std::string name, Runtime runtime, Framework framework,
                      std::string project, double minutesAgo) {
        std::string cwd = "/home/dana/code/" + project;
        return DevServer{.listener = {pid, port, ListenAddress::loopback, IPFamily::ipv4},
                         .identity = {pid, started(minutesAgo), "/usr/bin/" + name},
                         .name = name,
                         .runtime = runtime,
                         .framework = framework,
                         .project = project,
                         .cwd = cwd,
                         .command = name + " dev",
                         .category = DevServerClassifier::category(port, name),
                         .pgid = pid};
    };
    ScanResult scan;
    scan.servers = {server(4211, 3000, "node", Runtime::node, Framework::nextjs, "storefront", 42),
                    server(4388, 5173, "node", Runtime::node, Framework::vite, "admin-ui", 12),
                    server(5120, 8000, "python3", Runtime::python, Framework::django, "billing", 190)};
    for (const DevServer& running : scan.servers) {
        scan.ports.push_back(PortRow{.listener = running.listener,
                                     .name = running.name,
                                     .path = running.identity.path,
                                     .identity = running.identity,
                                     .category = running.category,
                                     .isDevServer = true,
                                     .cwd = running.cwd,
                                     .command = running.command,
                                     .own = true});
    }
    scan.ports.push_back(PortRow{.listener = {812, 5432, ListenAddress::loopback, IPFamily::ipv4},
                                 .name = "postgres",
                                 .path = "/usr/lib/postgresql/15/bin/postgres",
                                 .identity = std::nullopt,
                                 .category = PortCategory::database,
                                 .isDevServer = false,
                                 .cwd = std::nullopt,
                                 .command = "postgres -D /var/lib/postgresql/15/main",
                                 .own = false});
    scan.ports.push_back(PortRow{.listener = {6020, 9229, ListenAddress::loopback, IPFamily::ipv4},
                                 .name = "node",
                                 .path = "/usr/bin/node",
                                 .identity = std::nullopt,
                                 .category = PortCategory::dev,
                                 .isDevServer = false,
                                 .cwd = std::nullopt,
                                 .command = "node --inspect worker.js",
                                 .own = true});
    scan.loads = {{4211, {.cpu = 3, .memory = 212ull << 20}},
                  {4388, {.cpu = 1, .memory = 96ull << 20}},
                  {5120, {.cpu = 0, .memory = 64ull << 20}}};
    return scan;
}

// Sessions waiting, working and finished, their past, and a month of use
// read through the real usage store.
AgentsState sampleAgents(WallTime now, const Calendar& calendar)
{
    using State = AgentTimeline::State;
    auto session = [&](std::string id, AgentKind agent, std::string project, State state, double minutesAgo) {
        return AgentTimeline::Session{.id = std::move(id),
                                      .agent = std::string(title(agent)),
                                      .project = std::move(project),
                                      .app = std::nullopt,
                                      .tty = std::nullopt,
                                      .branch = std::string("main"),
                                      .path = std::nullopt,
                                      .steps = {{state, now.plusSeconds(-60 * minutesAgo)}}};
    };
    AgentsState state;
    state.groups.needsYou = {session("7f3c2a10-5b1e-4c8d-9a61-0e2f4b6d8c10", AgentKind::claudeCode, "billing",
                                     State::needsYou, 3)};
    state.groups.working = {session("2b8e4d16-0c3a-4f7e-b915-6d0a2c4e8f21", AgentKind::claudeCode, "storefront",
                                    State::working, 12),
                            session("9c1d5e27-3a4b-4c6d-8e0f-1a2b3c4d5e6f", AgentKind::codex, "admin-ui",
                                    State::working, 4)};
    state.groups.finishedToday = {session("4e6f8a30-1b2c-4d3e-9f40-5a6b7c8d9e0f", AgentKind::claudeCode, "lunebox",
                                          State::finished, 95)};
    auto live = [&](const AgentTimeline::Session& of, std::string step, double context) {
        state.live.emplace(of.id, SessionLive{of.id, of.agent == title(AgentKind::codex) ? AgentKind::codex
                                                                                           : AgentKind::claudeCode,
                                              of.project, AgentPhase::working(of.since()), std::move(step), context});
    };
    live(state.groups.needsYou[0], "Approve npm test", 61);
    live(state.groups.working[0], "Editing CheckoutForm.tsx", 34);
    live(state.groups.working[1], "Running tests", 12);
    const std::vector<std::pair<const AgentTimeline::Session*, std::string>> titled{
        {&state.groups.needsYou[0], "Retry failed invoices with backoff"},
        {&state.groups.working[0], "Move the checkout form to the new validation hooks"},
        {&state.groups.working[1], "Add a role filter to the users table"},
        {&state.groups.finishedToday[0], "Draw the usage heat map"}};
    for (const auto& [of, text] : titled) {
        state.history.push_back(AgentHistoryEntry{.id = of->id,
                                                  .agent = of->agent,
                                                  .path = std::nullopt,
                                                  .project = of->project,
                                                  .branch = of->branch,
                                                  .title = text,
                                                  .start = of->since().plusSeconds(-1800),
                                                  .end = of->since(),
                                                  .state = of->state(),
                                                  .stoppedByRestart = false});
    }

    UsageAggregator store;
    int call = 0;
    for (int day = 0; day < 30; ++day) {
        for (int hour : {9, 10, 14, 15, 16, 21}) {
            if ((day * 7 + hour) % 5 == 0)
                continue;
            LocalDateTime local = calendar.components(now.plusSeconds(-86400.0 * day));
            local.hour = hour;
            local.minute = 20;
            bool codex = hour == 21;
            std::int64_t scale = 1 + (day * 13 + hour) % 9;
            store.add(UsageRecord{.id = "sample-" + std::to_string(call++),
                                  .agent = codex ? AgentKind::codex : AgentKind::claudeCode,
                                  .model = codex ? "gpt-5-codex" : (hour < 12 ? "claude-opus-4-7" : "claude-sonnet-4-6"),
                                  .timestamp = std::min(calendar.instant(local), now),
                                  .sessionID = "sample-session-" + std::to_string(day),
                                  .project = std::string("storefront"),
                                  .usage = TokenUsage{.input = 4000 * scale,
                                                      .output = 9000 * scale,
                                                      .cacheRead = 120000 * scale}});
        }
    }
    PriceMemo prices;
    state.usage = UsageOverview::make(store, UsageIndexStats{}, now, calendar, prices);
    return state;
}

// A cover for the artwork ear, as the media module would cache it: a
// diagonal gradient with a disc, so the picture shows it is an image.
Result<void> writeSampleArtwork(const ArtworkCache& artwork, std::string_view key)
{
    QImage cover(64, 64, QImage::Format_ARGB32);
    QPainter painter(&cover);
    QLinearGradient gradient(0, 0, 64, 64);
    gradient.setColorAt(0, QColor(0xFF, 0x37, 0x5F));
    gradient.setColorAt(1, QColor(0x5E, 0x5C, 0xE6));
    painter.fillRect(cover.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1C, 0x1C, 0x1E));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(32, 32), 14, 14);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    cover.save(&buffer, "PNG");
    return writeFileAtomically(artwork.folder() / std::string(key), std::string_view(png.constData(), png.size()));
}

QImage renderPanel(PanelWindow& panel, const PanelPage& page)
{
    panel.showPage(page);
    // The dock's buttons are rebuilt with each page and shown by a queued
    // call; let it and the layout run before the grab.
    QCoreApplication::processEvents();
    return panel.grab().toImage();
}

}  // namespace

bool isBlank(const QImage& image)
{
    if (image.isNull())
        return true;
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    QRgb first = pixels.pixel(0, 0);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

QImage renderClosedIsland()
{
    return render(QSizeF(IslandWindow::closedSize),
                  [](QPainter& painter) { IslandWindow::paintClosed(painter, IslandWindow::closedSize); });
}

std::vector<EarContent> sampleContents()
{
    return {
        EarContent::none(),
        EarContent::symbol("hammer"),
        EarContent::text("Build done"),
        EarContent::symbolText("sparkles", "Working"),
        EarContent::artwork(std::string(sampleArtworkKey)),
        EarContent::progress(0.62),
        EarContent::level(0.7, false),
        EarContent::bars(),
        EarContent::dot("#FF9F0A"),
        EarContent::battery(18),
        EarContent::progressPercent(0.42),
        EarContent::holdRing("cup.and.saucer", 1800),
        EarContent::secondaryText("3 servers"),
        EarContent::tintedSymbolText("bolt.fill", "Charging", "#FFD60A"),
        EarContent::tintedLabel("terminal", ":3000", "#64D2FF", true),
        EarContent::lyric("Here comes the sun", 4),
        EarContent::pair(EarContent::symbol("music.note"), EarContent::bars()),
        EarContent::charge(76, ChargeState::charging),
        EarContent::buds(BudsBattery{.left = 80, .right = 75, .caseLevel = 40}, "Buds"),
    };
}

std::vector<View> renderViews(AppEnvironment& environment, const SectionRegistry& sections)
{
    std::vector<View> views;
    views.push_back({"closed.png", renderClosedIsland()});
    if (auto written = writeSampleArtwork(environment.artwork(), sampleArtworkKey); !written)
        logger.warning("the artwork ear shows its tile: {}", written.error().message());
    for (const EarContent& content : sampleContents())
        views.push_back({"ear-" + EarPainter::caseName(content) + ".png", renderEars(content, environment.artwork())});
    views.push_back({"card.png", renderCard()});

    environment.ears().post(Activity{.id = "snapshot.agent",
                                     .moduleID = "ai",
                                     .kind = "ai.working",
                                     .priority = 50,
                                     .left = EarContent::symbol("sparkles"),
                                     .right = EarContent::text("Working"),
                                     .createdAt = shotTime,
                                     .detail = "Claude Code is working in lunebox"});
    PanelWindow panel(environment, sections);
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    for (const auto& [surface, raw] : EnumCases<Surface>::cases)
        views.push_back({"panel-" + std::string(raw) + ".png", renderPanel(panel, PanelPage::of(surface))});
    if (sections.hasInbox()) {
        views.push_back({"panel-inbox.png", renderPanel(panel, PanelPage::inboxPage())});
        // A sample history of stacked and time-sensitive alerts.
        views.push_back({"inbox.png", NotificationsSurface::renderSnapshot(environment, PanelWindow::panelSize)});
    }
    return views;
}

Result<void> renderAll(const fs::path& folder)
{
    AppEnvironment environment(KnownPaths::current());
    SectionRegistry sections = SectionRegistry::builtIn();
    // The Dev surface shows the Runtime section over a sample scan; the
    // module never scans here.
    DevServersModule devServers(environment);
    devServers.registerSection(sections);
    devServers.apply(sampleScan(environment.clock().now()), true);
    sections.add(std::string(rawValue(SurfaceSection::ai)), [](AppEnvironment& environment, QWidget* parent) {
        auto* section = new AISection({.settings = environment.settings(),
                                       .clock = environment.clock(),
                                       .calendar = Calendar::local(),
                                       .terminal = std::make_shared<platform::DesktopTerminalLauncher>(),
                                       .copy = {},
                                       .refreshHistory = {},
                                       .openSettings = {},
                                       .skillFile = environment.paths().agentSkill(),
                                       .inbox = environment.paths().inbox()},
                                      parent);
        section->setState(sampleAgents(environment.clock().now(), Calendar::local()));
        return section;
    });
    for (const auto& view : renderViews(environment, sections)) {
        fs::path file = folder / view.fileName;
        if (isBlank(view.image))
            return fail(Error::make(Error::Code::Invalid, "render snapshot", file.string() + " is blank"));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!view.image.save(&buffer, "PNG"))
            return fail(Error::make(Error::Code::Io, "encode snapshot", file.string()));
        if (auto written = writeFileAtomically(file, std::string_view(png.constData(), png.size()), 0644); !written)
            return fail(written.error());
    }
    return {};
}

}  // namespace corvane::app::SnapshotRenderer
