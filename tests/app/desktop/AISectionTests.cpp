// The AI section over hand-built module state: groups, history search,
// filter and hiding (kept in the real settings file), resume through a
// recording terminal launcher, the usage figures over the real usage
// store, and the setup switches.


#include <fmt/format.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/desktop/AISection.h"
#include "app/desktop/AIUsageView.h"
#include "app/desktop/AppEnvironment.h"
#include "core/notch/Keys.h"
#include "platform/fake/RecordingTerminalLauncher.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AIChip;
using corvane::app::AISection;
using corvane::app::AIUsageView;
using corvane::app::AgentsState;
using corvane::app::AppEnvironment;
using corvane::platform::RecordingTerminalLauncher;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;
using State = AgentTimeline::State;

namespace {

const WallTime now = WallTime::fromUnixSeconds(1'780'000'000);

struct Harness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    std::optional<AppEnvironment> environment{std::in_place, paths};
    ManualClock clock{now};
    std::shared_ptr<RecordingTerminalLauncher> terminal = std::make_shared<RecordingTerminalLauncher>();
    std::vector<std::string> copied;
    int settingsOpened = 0;

    Harness() { corvane::testing::qtApplication(); }

    std::unique_ptr<AISection> section(bool withSettings = true)
    {
        return std::make_unique<AISection>(AISection::Services{
            .settings = environment->settings(),
            .clock = clock,
            .calendar = Calendar::utc(),
            .terminal = terminal,
            .copy = [this](const std::string& text) { copied.push_back(text); },
            .refreshHistory = {},
            .openSettings = withSettings ? std::function<void()>([this] { ++settingsOpened; }) : nullptr,
            .skillFile = paths.agentSkill(),
            .inbox = paths.inbox()});
    }

    // The settings file read again, as at the next launch.
    void reload()
    {
        environment.reset();
        environment.emplace(paths);
    }
};

AgentTimeline::Session session(std::string id, std::string agent, std::string project, State state, double minutesAgo)
{
    return {.id = std::move(id),
            .agent = std::move(agent),
            .project = std::move(project),
            .app = std::nullopt,
            .tty = std::nullopt,
            .branch = std::nullopt,
            .path = std::nullopt,
            .steps = {{state, now.plusSeconds(-60 * minutesAgo)}}};
}

AgentHistoryEntry entry(std::string id, std::string agent, std::string project, std::string title, double hoursAgo)
{
    return {.id = std::move(id),
            .agent = std::move(agent),
            .path = std::nullopt,
            .project = std::move(project),
            .branch = std::string("main"),
            .title = std::move(title),
            .start = now.plusSeconds(-3600 * hoursAgo - 1200),
            .end = now.plusSeconds(-3600 * hoursAgo),
            .state = State::finished,
            .stoppedByRestart = false};
}

std::vector<QWidget*> withRole(const QWidget& root, const char* role)
{
    std::vector<QWidget*> out;
    for (QWidget* child : root.findChildren<QWidget*>())
        if (child->property("role").toString() == QLatin1String(role))
            out.push_back(child);
    return out;
}

QString childText(const QWidget& parent, const char* name)
{
    auto* found = parent.findChild<QLabel*>(QString::fromLatin1(name));
    return found != nullptr ? found->text() : QString();
}

std::vector<std::string> rowIDs(const QWidget& root)
{
    std::vector<std::string> ids;
    for (QWidget* row : withRole(root, "row"))
        ids.push_back(row->objectName().toStdString());
    return ids;
}

}  // namespace

TEST(AISection, sessions_show_needs_you_then_working_then_finished_today_with_counts_steps_and_context)
{
    Harness harness;
    AgentsState state;
    state.groups.needsYou = {session("n1", "Claude Code", "billing", State::needsYou, 2)};
    state.groups.working = {session("w1", "Claude Code", "storefront", State::working, 5),
                            session("w2", "Codex", "admin", State::working, 9)};
    state.groups.finishedToday = {session("f1", "Claude Code", "lunebox", State::finished, 90)};
    state.live["w1"] = SessionLive{"w1", AgentKind::claudeCode, "storefront", AgentPhase::working(now),
                                   "Editing main.cpp", 42.4};
    state.history = {entry("w1", "Claude Code", "storefront", "Move checkout to hooks", 0)};
    auto section = harness.section();
    section->setState(state);

    std::vector<QWidget*> groups = withRole(*section, "group");
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0]->objectName(), "needsYou");
    EXPECT_EQ(groups[1]->objectName(), "working");
    EXPECT_EQ(groups[2]->objectName(), "finishedToday");
    EXPECT_EQ(childText(*groups[0], "heading"), QStringLiteral("Needs you \u00B7 1"));
    EXPECT_EQ(childText(*groups[1], "heading"), QStringLiteral("Working \u00B7 2"));
    EXPECT_EQ(childText(*groups[2], "heading"), QStringLiteral("Finished today \u00B7 1"));
    EXPECT_EQ(rowIDs(*groups[1]), (std::vector<std::string>{"w1", "w2"}));

    // The live session: its title from the history, its step, its context.
    auto* live = groups[1]->findChild<QWidget*>("w1");
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(childText(*live, "title"), "Move checkout to hooks");
    EXPECT_EQ(childText(*live, "detail"), QStringLiteral("Claude Code \u00B7 storefront \u00B7 Editing main.cpp"));
    EXPECT_EQ(childText(*live, "context"), "42% context");
    // A session nobody described shows its project and no made-up context.
    auto* quiet = groups[1]->findChild<QWidget*>("w2");
    EXPECT_EQ(childText(*quiet, "title"), "admin");
    EXPECT_EQ(quiet->findChild<QLabel*>("context"), nullptr);

    section->showChip(AIChip::needsYou);
    groups = withRole(*section, "group");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(rowIDs(*groups[0]), std::vector<std::string>{"n1"});

    section->setState(AgentsState{});
    EXPECT_TRUE(withRole(*section, "group").empty());
    EXPECT_EQ(withRole(*section, "empty").at(0)->property("text").toString(), "No session is waiting for you.");
}

TEST(AISection, history_search_and_filter_narrow_the_day_groups_and_a_hidden_session_stays_hidden_after_reload)
{
    Harness harness;
    AgentsState state;
    state.history = {entry("c1", "Claude Code", "billing", "Retry failed invoices", 1),
                     entry("c2", "Claude Code", "storefront", "Checkout hooks", 30),
                     entry("x1", "Codex", "billing", "Users table filter", 2)};
    {
        auto section = harness.section();
        section->setState(state);
        section->showChip(AIChip::history);
        EXPECT_EQ(rowIDs(*section), (std::vector<std::string>{"c1", "x1", "c2"}));
        std::vector<QString> days;
        for (QWidget* heading : withRole(*section, "section"))
            days.push_back(heading->property("text").toString());
        EXPECT_EQ(days, (std::vector<QString>{"TODAY", "YESTERDAY"}));

        auto* search = section->findChild<QLineEdit*>("search");
        auto* filter = section->findChild<QComboBox*>("filter");
        search->setText(QStringLiteral("  BILLING "));
        EXPECT_EQ(rowIDs(*section), (std::vector<std::string>{"c1", "x1"}));
        filter->setCurrentIndex(filter->findData(int(AgentHistory::Filter::codex)));
        EXPECT_EQ(rowIDs(*section), std::vector<std::string>{"x1"});
        search->clear();
        filter->setCurrentIndex(filter->findData(int(AgentHistory::Filter::all)));

        auto* row = section->findChild<QWidget*>("c1");
        ASSERT_NE(row, nullptr);
        row->findChild<QPushButton*>("hide")->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(rowIDs(*section), (std::vector<std::string>{"x1", "c2"}));
    }
    harness.reload();
    EXPECT_EQ(harness.environment->settings().get(Keys::aiHistoryHidden), std::vector<std::string>{"c1"});
    auto section = harness.section();
    section->setState(state);
    section->showChip(AIChip::history);
    EXPECT_EQ(rowIDs(*section), (std::vector<std::string>{"x1", "c2"}));
}

TEST(AISection, resume_opens_a_terminal_in_the_folder_and_falls_back_to_the_clipboard)
{
    Harness harness;
    fs::path project = harness.folder / "my app";
    fs::create_directories(project);
    const std::string claudeID = "0d5e7c1a-2b3c-4d5e-8f90-a1b2c3d4e5f6";
    const std::string codexID = "rollout-2026-05-07T17-24-21-019a1b2c-3d4e-7f50-8a6b-7c8d9e0f1a2b";
    AgentsState state;
    state.history = {entry(claudeID, "Claude Code", "my app", "Resume me", 1),
                     entry(codexID, "Codex", "gone", "Folder removed", 2)};
    state.folders = {{claudeID, project}, {codexID, harness.folder / "removed"}};
    auto section = harness.section();
    section->setState(state);
    section->showChip(AIChip::history);

    section->findChild<QWidget*>(QString::fromStdString(claudeID))->findChild<QPushButton*>("resume")->click();
    ASSERT_EQ(harness.terminal->opened.size(), 1u);
    EXPECT_EQ(harness.terminal->opened[0].folder(), project);
    EXPECT_EQ(harness.terminal->opened[0].words(), (std::vector<std::string>{"claude", "--resume", claudeID}));
    EXPECT_EQ(section->status(), "Resuming in x-terminal-emulator.");
    EXPECT_TRUE(harness.copied.empty());

    // No terminal on this desktop: the whole line goes to the clipboard.
    harness.terminal->answer = fail(Error::make(Error::Code::Unavailable, "open terminal"));
    EXPECT_EQ(section->resume(claudeID).kind, app::AIResume::Outcome::Kind::copied);
    EXPECT_EQ(harness.copied, std::vector<std::string>{"cd '" + project.string() + "' && claude --resume " + claudeID});
    EXPECT_EQ(section->status(), "No terminal found: the resume command is on the clipboard.");

    // The folder is gone: only the words, and no terminal is asked.
    harness.copied.clear();
    EXPECT_EQ(section->resume(codexID).kind, app::AIResume::Outcome::Kind::copied);
    EXPECT_EQ(harness.copied, std::vector<std::string>{"codex resume 019a1b2c-3d4e-7f50-8a6b-7c8d9e0f1a2b"});
    EXPECT_EQ(harness.terminal->opened.size(), 2u);
}

TEST(AISection, hostile_session_ids_and_folders_never_reach_a_terminal_or_the_clipboard)
{
    Harness harness;
    fs::path evil = harness.folder / "x\n; rm -rf ~";
    fs::create_directories(evil);
    AgentsState state;
    state.history = {entry("abc;touch pwned", "Claude Code", "p", "Shell id", 1),
                     entry("--help", "Codex", "p", "Option id", 1),
                     entry(std::string(65, 'a'), "Claude Code", "p", "Long id", 1),
                     entry("good-id", "Claude Code", "p", "Evil folder", 1)};
    state.folders = {{"good-id", evil}};
    auto section = harness.section();
    section->setState(state);
    section->showChip(AIChip::history);

    for (const AgentHistoryEntry& past : state.history) {
        QWidget* row = section->findChild<QWidget*>(QString::fromStdString(past.id));
        ASSERT_NE(row, nullptr) << past.id;
        bool offered = row->findChild<QPushButton*>("resume") != nullptr;
        EXPECT_EQ(offered, past.id == "good-id") << past.id;
        EXPECT_EQ(section->resume(past.id).kind, app::AIResume::Outcome::Kind::refused) << past.id;
    }
    EXPECT_TRUE(harness.terminal->opened.empty());
    EXPECT_TRUE(harness.copied.empty());
}

TEST(AISection, the_usage_lines_add_up_to_the_overview_of_the_real_store)
{
    UsageAggregator store;
    auto add = [&](std::string id, AgentKind agent, std::string model, double hoursAgo, std::int64_t input) {
        store.add(UsageRecord{.id = std::move(id),
                              .agent = agent,
                              .model = std::move(model),
                              .timestamp = now.plusSeconds(-3600 * hoursAgo),
                              .sessionID = "s-" + std::to_string(input),
                              .project = std::string("app"),
                              .usage = TokenUsage{.input = input, .output = input / 10}});
    };
    add("a", AgentKind::claudeCode, "claude-opus-4-7", 1, 1'000'000);
    add("b", AgentKind::claudeCode, "claude-sonnet-4-6", 2, 200'000);
    add("c", AgentKind::codex, "gpt-5-codex", 3, 50'000);
    add("d", AgentKind::claudeCode, "claude-haiku-4-5", 24 * 20, 70'000);
    PriceMemo prices;
    UsageOverview overview = UsageOverview::make(store, {}, now, Calendar::utc(), prices);

    for (const UsagePeriod* period : {&overview.today, &overview.month}) {
        std::int64_t agentTokens = 0;
        double agentCost = 0;
        std::int64_t modelTokens = 0;
        for (const AIUsageView::Line& line : AIUsageView::lines(*period)) {
            (line.model ? modelTokens : agentTokens) += line.tokens;
            if (!line.model)
                agentCost += line.cost.value_or(0);
        }
        EXPECT_EQ(agentTokens, period->total.tokens.total());
        EXPECT_EQ(modelTokens, period->total.tokens.total());
        EXPECT_DOUBLE_EQ(agentCost, period->total.cost);
    }
    // Codex has no price: its line shows tokens only, never "$0.00".
    std::vector<AIUsageView::Line> today = AIUsageView::lines(overview.today);
    ASSERT_EQ(today.size(), 5u);
    EXPECT_EQ(today[0].label, "Claude Code");
    EXPECT_EQ(today[3], (AIUsageView::Line{"Codex", 55'000, std::nullopt, false}));
    EXPECT_EQ(AIUsageView::figures(today[0].tokens, today[0].cost), "1.3M \u00B7 $" + fmt::format("{:.2f}", *today[0].cost));
    EXPECT_EQ(AIUsageView::figures(55'000, std::nullopt), "55.0K");
    EXPECT_EQ(AIUsageView::streakLine(1), "Streak: 1 day");
    EXPECT_EQ(AIUsageView::streakLine(overview.streak), "Streak: 1 day");
    EXPECT_EQ(AIUsageView::streakLine(0), std::nullopt);
    EXPECT_EQ(AIUsageView::busiestLine(overview.heatmap), "Busiest: " + overview.heatmap.busiest.value());

    // The view paints the same figures; a month has more lines than today.
    AIUsageView view;
    view.resize(480, 100);
    view.setOverview(overview, false);
    int todayHeight = view.height();
    view.choose(AIUsageView::Period::month);
    EXPECT_GT(view.height(), todayHeight);
    QImage image = view.grab().toImage();
    EXPECT_FALSE(image.isNull());
}

TEST(AISection, setup_switches_the_hook_inbox_and_leads_to_the_skill_file_settings)
{
    Harness harness;
    auto section = harness.section();
    section->showChip(AIChip::setup);
    auto* inbox = section->findChild<QCheckBox*>("hookInbox");
    ASSERT_NE(inbox, nullptr);
    EXPECT_TRUE(inbox->isChecked());
    inbox->click();
    EXPECT_FALSE(harness.environment->settings().get(Keys::claudeHookInbox));
    EXPECT_EQ(childText(*section, "skillState"), "Not installed");
    section->findChild<QPushButton*>("openSettings")->click();
    EXPECT_EQ(harness.settingsOpened, 1);

    // Without a way to the settings there is no button that cannot act.
    auto bare = harness.section(false);
    bare->showChip(AIChip::setup);
    EXPECT_EQ(bare->findChild<QPushButton*>("openSettings"), nullptr);
}
