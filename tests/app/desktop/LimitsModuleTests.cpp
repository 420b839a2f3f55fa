// The limits module against a real status folder: the test writes status
// files the way the statusline tap does (a dot-name, then a rename), the
// module's real watcher and queue pick them up, alerts land in a harness
// app's history and the ear in its arbiter. Time is a manual clock, so the
// timer's next look is the test's to fire; the endpoint is a real local
// HTTP server.

#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/LimitsModule.h"
#include "core/agents/ClaudeAccounts.h"
#include "core/agents/ClaudeStatusline.h"
#include "core/agents/LimitAlertTracker.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/core/net/LocalHttpServer.h"

using namespace corvane;
using corvane::app::AppEnvironment;
using corvane::app::LimitsModule;
using corvane::testing::harnessPaths;
using corvane::testing::LocalHttpServer;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

struct Harness {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    ManualClock clock{WallTime::fromUnixSeconds(double(std::time(nullptr)))};
    ManualScheduler scheduler{clock};
    fs::path statusFolder = paths.statusFile().parent_path();
    fs::path credentials = folder / "claude-credentials.json";
    std::optional<ProviderUsage> codex;
    std::optional<LimitsModule> module;
    int looks = 0;

    void make(bool credentialsAllowed = false, std::string usageURL = {})
    {
        module.reset();
        LimitsModule::Sources sources{
            .settings = environment.settings(),
            .pipeline = environment.pipeline(),
            .ears = environment.ears(),
            .scheduler = scheduler,
            .clock = clock,
            .calendar = Calendar::utc(),
            .dataFolder = paths.appSupport(),
            .statusFolder = statusFolder,
            .credentials = credentials,
            .codexLimits = [this](LimitsModule::CodexReply reply) { scheduler.post([this, reply] { reply(codex); }); },
            .credentialsAllowed = credentialsAllowed};
        if (!usageURL.empty()) {
            sources.usageURL = usageURL;
            sources.http.allowPlainHttp = true;
        }
        module.emplace(std::move(sources));
        QObject::connect(&*module, &LimitsModule::changed, [this] { ++looks; });
    }

    // Runs the main thread's share until the module looked once more.
    void waitForLook() { lookAfter([] {}); }

    // Counts from before `action`: advancing the clock runs posted tasks, so
    // the look it causes may already be over when it returns.
    void lookAfter(const std::function<void()>& action)
    {
        int before = looks;
        action();
        ASSERT_TRUE(runEventsUntil([&] {
            scheduler.runPending();
            return looks > before;
        })) << "the module did not look";
    }

    // A write may reach the watcher in more than one batch; the look that
    // counts is the one that read it.
    void readStatus(double percent, double resetsIn)
    {
        writeStatus(percent, resetsIn);
        ASSERT_TRUE(runEventsUntil([&] {
            scheduler.runPending();
            for (const ProviderUsage& usage : module->state().usages)
                for (const UsageWindow& window : usage.windows)
                    if (window.usedPercent == percent && std::abs(window.observedAt.secondsSince(clock.now())) < 1)
                        return true;
            return false;
        })) << "the module did not read the status file";
    }

    void start()
    {
        make();
        module->start();
        waitForLook();
    }

    // As the tap writes: under a dot-name, then renamed into place.
    void writeStatus(double percent, double resetsIn, std::string_view name = ClaudeAccounts::legacyFile)
    {
        ProviderUsage usage{AIProviderID::claudeCode, {}, std::nullopt, clock.now(), std::nullopt};
        usage.windows.push_back(ClaudeStatusline::windowKinds[0].window(
            percent, clock.now().plusSeconds(resetsIn), ClaudeStatusline::source, clock.now()));
        fs::create_directories(statusFolder);
        fs::path hidden = statusFolder / ".claude.json.tmp";
        std::ofstream(hidden) << ClaudeStatusline::encode(usage);
        fs::rename(hidden, statusFolder / name);
    }

    std::size_t alerts(std::string_view kind)
    {
        std::size_t count = 0;
        for (const AlertRecord& record : environment.alerts().history().records)
            count += record.kind == kind;
        return count;
    }

    const Activity* ear()
    {
        const auto& activities = environment.ears().arbiter().activities();
        auto found = activities.find(NearLimit::activityID);
        return found != activities.end() ? &found->second : nullptr;
    }
};

}  // namespace

TEST(LimitsModule, a_new_status_file_raises_its_threshold_once_even_across_a_restart)
{
    Harness harness;
    harness.start();
    EXPECT_TRUE(harness.module->state().usages.empty());

    harness.readStatus(80, 7200);
    ASSERT_EQ(harness.module->state().usages.size(), 1u);
    EXPECT_EQ(harness.alerts("ai.limitWarn"), 1u);

    // The same window read again: nothing new to say.
    harness.readStatus(82, 7200);
    EXPECT_DOUBLE_EQ(harness.module->state().usages[0].windows[0].usedPercent, 82);
    EXPECT_EQ(harness.alerts("ai.limitWarn"), 1u);
    fs::path tracker = harness.paths.appSupport() / LimitAlertTracker::fileName;
    ASSERT_TRUE(fs::exists(tracker));
    EXPECT_EQ(fs::status(tracker).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // A new run reads the tracker: the warning is not repeated, the next level is announced.
    harness.start();
    EXPECT_EQ(harness.module->state().usages.size(), 1u);
    EXPECT_EQ(harness.alerts("ai.limitWarn"), 1u);
    harness.readStatus(95, 7200);
    EXPECT_EQ(harness.alerts("ai.limitHigh"), 1u);
    EXPECT_EQ(harness.alerts("ai.limitWarn"), 1u);
}

TEST(LimitsModule, the_ear_follows_the_fullest_fresh_window_and_the_timer_wakes_when_a_reading_goes_stale)
{
    Harness harness;
    harness.start();
    EXPECT_EQ(harness.module->nextLook(), std::nullopt);

    harness.readStatus(70, 7200);
    EXPECT_EQ(harness.ear(), nullptr);

    harness.readStatus(88, 7200);
    ASSERT_NE(harness.ear(), nullptr);
    EXPECT_EQ(harness.ear()->right, EarContent::progressPercent(0.88));
    // Nothing changes before the reading turns stale, 15 minutes on.
    WallTime observed = harness.clock.now();
    ASSERT_TRUE(harness.module->nextLook());
    EXPECT_DOUBLE_EQ(harness.module->nextLook()->secondsSince(observed), 900);
    EXPECT_NEAR(harness.scheduler.nextDelay(), 900 + LimitsModule::wakeMargin, 1e-6);

    harness.lookAfter([&] { harness.scheduler.advance(harness.scheduler.nextDelay()); });
    EXPECT_EQ(harness.ear(), nullptr);
    // Stale readings wait for their reset, then the timer looks again.
    ASSERT_TRUE(harness.module->nextLook());
    EXPECT_DOUBLE_EQ(harness.module->nextLook()->secondsSince(observed), 7200);

    // The ear's threshold is the user's.
    harness.environment.settings().set(Keys::aiLimitEarAt, 60);
    harness.waitForLook();
    harness.readStatus(70, 7200);
    EXPECT_NE(harness.ear(), nullptr);
}

TEST(LimitsModule, codex_limits_come_from_the_agents_index_and_each_provider_can_be_switched_off)
{
    Harness harness;
    harness.codex = ProviderUsage{AIProviderID::codex,
                                  {UsageWindow{"primary", "5 h", 91, harness.clock.now().plusSeconds(3600), 300,
                                               "Codex session log", harness.clock.now()}},
                                  std::nullopt,
                                  harness.clock.now(),
                                  std::nullopt};
    harness.writeStatus(20, 7200);
    harness.start();
    // The first look may run before the agents module answered.
    if (harness.module->state().usages.size() < 2)
        harness.waitForLook();
    ASSERT_EQ(harness.module->state().usages.size(), 2u);
    EXPECT_EQ(harness.module->state().usages[1].provider, AIProviderID::codex);
    EXPECT_EQ(harness.alerts("ai.limitHigh"), 1u);

    harness.environment.settings().set(Keys::aiLimitsCodex, false);
    harness.waitForLook();
    ASSERT_EQ(harness.module->state().usages.size(), 1u);
    EXPECT_EQ(harness.module->state().usages[0].provider, AIProviderID::claudeCode);

    harness.environment.settings().set(Keys::aiLimitsClaude, false);
    harness.waitForLook();
    EXPECT_TRUE(harness.module->state().usages.empty());
}

TEST(LimitsModule, the_endpoint_is_polled_only_when_allowed_and_while_the_statusline_is_quiet)
{
    LocalHttpServer server;
    ASSERT_NE(server.port(), 0);
    std::ofstream(server.folder() / "usage.json") << R"({"five_hour":{"utilization":64,"resets_at":"2099-01-01T00:00:00Z"},
                                                         "seven_day":{"utilization":12}})";
    Harness harness;
    std::ofstream(harness.credentials) << R"({"claudeAiOauth":{"accessToken":"sk-test","expiresAt":4102444800000}})";
    harness.environment.settings().set(Keys::aiLimitsClaudeOAuth, true);

    // The credentials gate says no: nothing is read, nothing asked.
    harness.make(false, server.url("/file/usage.json"));
    harness.module->start();
    harness.waitForLook();
    EXPECT_FALSE(harness.module->state().polling);
    EXPECT_TRUE(harness.module->state().usages.empty());

    harness.make(true, server.url("/file/usage.json"));
    harness.module->start();
    harness.waitForLook();
    const app::LimitsState& state = harness.module->state();
    ASSERT_TRUE(state.polling);
    ASSERT_TRUE(state.endpoint);
    EXPECT_EQ(state.endpoint->kind, ClaudeOAuth::Status::Kind::ok);
    ASSERT_EQ(state.usages.size(), 1u);
    EXPECT_EQ(state.usages[0].account->key, ClaudeAccounts::oauthKey);
    ASSERT_EQ(state.usages[0].windows.size(), 2u);
    EXPECT_EQ(state.usages[0].windows[0].source, ClaudeOAuth::source);
    // The next poll is due five minutes on.
    EXPECT_NEAR(harness.scheduler.nextDelay(), ClaudeOAuth::pollEvery + LimitsModule::wakeMargin, 1e-6);

    // A statusline reading keeps the endpoint quiet for ten minutes after it.
    std::ofstream(server.folder() / "usage.json") << R"({"five_hour":{"utilization":100}})";
    harness.scheduler.advance(ClaudeOAuth::pollEvery - 30);
    harness.readStatus(30, 7200);
    EXPECT_EQ(harness.alerts("ai.limitReached"), 0u);
    EXPECT_DOUBLE_EQ(harness.module->state().usages.back().windows[0].usedPercent, 64);
    EXPECT_NEAR(harness.scheduler.nextDelay(), ClaudeOAuth::statuslineQuiet + 1 + LimitsModule::wakeMargin, 1e-6);
    harness.lookAfter([&] { harness.scheduler.advance(harness.scheduler.nextDelay()); });
    EXPECT_EQ(harness.alerts("ai.limitReached"), 1u);

    // An answer outside 2xx is shown as it came.
    harness.make(true, server.url("/status/503"));
    harness.module->start();
    harness.waitForLook();
    EXPECT_EQ(ClaudeOAuth::statusText(harness.module->state().endpoint),
              "Anthropic answered HTTP 503 — the unofficial endpoint may have changed");
}
