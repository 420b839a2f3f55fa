// The plan-limit rows of the AI section over hand-built readings: how full
// each window is, its pace, and beside each number where it came from and
// how old it is, an old one marked; drawn only while the section is seen.

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "app/desktop/AISection.h"
#include "app/desktop/AppEnvironment.h"
#include "core/agents/ClaudeStatusline.h"
#include "core/agents/LimitIngest.h"
#include "platform/fake/RecordingTerminalLauncher.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::AIChip;
using corvane::app::AISection;
using corvane::app::AppEnvironment;
using corvane::app::LimitsState;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;

namespace {

const WallTime now = WallTime::fromUnixSeconds(1'780'000'000);

struct Harness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    ManualClock clock{now};
    std::unique_ptr<AISection> section;

    Harness()
    {
        corvane::testing::qtApplication();
        section = std::make_unique<AISection>(AISection::Services{
            .settings = environment.settings(),
            .clock = clock,
            .calendar = Calendar::utc(),
            .terminal = std::make_shared<platform::RecordingTerminalLauncher>(),
            .copy = [](const std::string&) {},
            .refreshHistory = {},
            .openSettings = {},
            .skillFile = paths.agentSkill(),
            .inbox = paths.inbox()});
        section->showChip(AIChip::usage);
    }

    QWidget* row(const std::string& key) const { return section->findChild<QWidget*>(QString::fromStdString(key)); }

    QLabel* part(const std::string& key, const char* name) const
    {
        QWidget* found = row(key);
        return found != nullptr ? found->findChild<QLabel*>(QString::fromLatin1(name)) : nullptr;
    }

    std::string text(const std::string& key, const char* name) const
    {
        QLabel* found = part(key, name);
        return found != nullptr ? found->text().toStdString() : std::string("<none>");
    }
};

UsageWindow window(std::string id, std::string label, double percent, double resetsIn, std::string_view source,
                   double observedAgo)
{
    return UsageWindow{std::move(id), std::move(label), percent, now.plusSeconds(resetsIn), std::nullopt,
                       std::string(source), now.plusSeconds(-observedAgo)};
}

ProviderUsage reading(AIProviderID provider, std::vector<UsageWindow> windows, std::optional<ClaudeAccount> account = {})
{
    WallTime observed = windows.front().observedAt;
    return ProviderUsage{provider, std::move(windows), std::nullopt, observed, std::move(account)};
}

// A statusline reading, the endpoint's for this computer's login, and an old Codex reading.
LimitsState sample()
{
    LimitsState state;
    state.staleAfter = 900;
    state.usages = {
        reading(AIProviderID::claudeCode, {window("h5", "5 h", 42, 7200, ClaudeStatusline::source, 30),
                                           window("d7", "7 d", 10, 5 * 86400, ClaudeStatusline::source, 30)}),
        reading(AIProviderID::claudeCode, {window("h5", "5 h", 64, 7200, ClaudeOAuth::source, 600)},
                ClaudeAccount{"oauth", std::string(ClaudeAccount::thisMacLabel)}),
        reading(AIProviderID::codex, {window("primary", "5 h", 91, 3600, "Codex session log", 2400)}),
    };
    // Twelve points in twenty minutes: full in about an hour and a half, before the reset.
    state.burn.record("claudeCode:h5", 30, now.plusSeconds(-1200), now.plusSeconds(7200));
    state.burn.record("claudeCode:h5", 42, now.plusSeconds(-30), now.plusSeconds(7200));
    state.polling = true;
    return state;
}

}  // namespace

TEST(AISectionLimits, each_window_shows_its_fill_pace_reset_source_and_age_with_old_readings_marked)
{
    Harness harness;
    harness.section->setLimits(sample());
    harness.section->show();

    ASSERT_NE(harness.row("claudeCode:h5"), nullptr);
    EXPECT_EQ(harness.text("claudeCode:h5", "title"), "Claude Code · 5 h");
    EXPECT_EQ(harness.text("claudeCode:h5", "percent"), "42%");
    EXPECT_EQ(harness.row("claudeCode:h5")->findChild<QProgressBar*>("bar")->value(), 42);
    EXPECT_EQ(harness.text("claudeCode:h5", "pace").rfind("At this pace, full at ", 0), 0u);
    EXPECT_EQ(harness.part("claudeCode:h5", "pace")->property("role").toString(), "warn");
    EXPECT_EQ(harness.text("claudeCode:h5", "resets"),
              "Resets " + LimitPace::moment(now.plusSeconds(7200), now, Calendar::utc()));
    EXPECT_EQ(harness.text("claudeCode:h5", "source"), "Claude Code statusline · just now");
    EXPECT_EQ(harness.part("claudeCode:h5", "source")->property("role").toString(), "detail");
    // Too few samples for a pace: what is left.
    EXPECT_EQ(harness.text("claudeCode:d7", "pace"), "90% left — the pace shows while you work");

    EXPECT_EQ(harness.text("claudeCode:oauth:h5", "title"), "Claude Code · This computer's Claude login · 5 h");
    EXPECT_EQ(harness.text("claudeCode:oauth:h5", "source"), "Claude usage endpoint · 10 min ago");

    // Forty minutes old: stale, with the time it was read.
    EXPECT_EQ(harness.text("codex:primary", "source"),
              "Codex session log · " + *LimitWindowText::status(WindowFreshness::stale(now.plusSeconds(-2400)),
                                                                Calendar::utc()));
    EXPECT_EQ(harness.part("codex:primary", "source")->property("role").toString(), "stale");
    EXPECT_TRUE(harness.row("codex:primary")->property("stale").toBool());
    EXPECT_FALSE(harness.row("claudeCode:h5")->property("stale").toBool());

    // Polling on, nothing polled yet.
    auto* endpoint = harness.section->findChild<QLabel*>("endpoint");
    ASSERT_NE(endpoint, nullptr);
    EXPECT_EQ(endpoint->text(), "Waiting for the first check");
}

TEST(AISectionLimits, rows_are_drawn_only_while_the_section_is_in_view)
{
    Harness harness;
    LimitsState first;
    first.usages = {reading(AIProviderID::codex, {window("primary", "5 h", 20, 3600, "Codex session log", 0)})};
    harness.section->setLimits(first);
    EXPECT_EQ(harness.row("codex:primary"), nullptr);

    harness.section->show();
    ASSERT_NE(harness.row("codex:primary"), nullptr);
    EXPECT_EQ(harness.text("codex:primary", "source"), "Codex session log · just now");
    EXPECT_EQ(harness.section->findChild<QLabel*>("endpoint"), nullptr);

    // Out of view: a new reading waits, then shows with its age when seen again.
    harness.section->setVisible(false);
    harness.section->setLimits(sample());
    EXPECT_EQ(harness.row("claudeCode:h5"), nullptr);
    harness.clock.advance(300);
    harness.section->show();
    ASSERT_NE(harness.row("claudeCode:h5"), nullptr);
    EXPECT_EQ(harness.text("claudeCode:h5", "source"), "Claude Code statusline · 5 min ago");
}
