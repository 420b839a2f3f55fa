#include <string>

#include <gtest/gtest.h>

#include "core/agents/ClaudeAccounts.h"
#include "core/agents/ClaudeStatusline.h"

namespace corvane {
namespace {

const WallTime t0 = WallTime::fromUnixSeconds(1772359200);

// The part of Claude Code's statusline input the helper reads, among the rest it ignores.
std::string input(double fiveHour, double sevenDay, double context = 35)
{
    return R"({"session_id":"s1","model":{"id":"m"},"context_window":{"used_percentage":)" + std::to_string(context)
           + R"(},"rate_limits":{"five_hour":{"used_percentage":)" + std::to_string(fiveHour)
           + R"(,"resets_at":1772370000},"seven_day":{"used_percentage":)" + std::to_string(sevenDay)
           + R"(,"resets_at":1772900000}}})";
}

TEST(ClaudeStatusline, parse_reads_both_windows_and_the_context)
{
    auto usage = ClaudeStatusline::parse(input(42.4, 130), t0);
    ASSERT_TRUE(usage);
    ASSERT_EQ(usage->windows.size(), 2u);
    EXPECT_EQ(usage->windows[0], (UsageWindow{"h5", "5 h", 42.4, WallTime::fromUnixSeconds(1772370000), 300,
                                              "Claude Code statusline", t0}));
    EXPECT_EQ(usage->windows[1].id, "d7");
    EXPECT_EQ(usage->windows[1].label, "7 d");
    EXPECT_EQ(usage->windows[1].windowMinutes, 10'080);
    EXPECT_EQ(usage->windows[1].usedPercent, 100);  // clamped
    EXPECT_EQ(usage->contextPercent, 35);
    EXPECT_EQ(usage->observedAt, t0);
}

TEST(ClaudeStatusline, refuses_malformed_and_oversized_input)
{
    EXPECT_EQ(ClaudeStatusline::parse(R"({"rate_limits":)", t0), std::nullopt);
    EXPECT_EQ(ClaudeStatusline::parse("[1,2]", t0), std::nullopt);
    EXPECT_EQ(ClaudeStatusline::normalize("not json", t0), std::nullopt);
    std::string padded = input(10, 20);
    padded.insert(1, R"("pad":")" + std::string(ClaudeStatusline::maxStdin, 'x') + R"(",)");
    EXPECT_EQ(ClaudeStatusline::parse(padded, t0), std::nullopt);
    // Wrong types drop the reading, not the whole input.
    auto partial = ClaudeStatusline::parse(R"({"rate_limits":{"five_hour":{"used_percentage":"9"}}})", t0);
    ASSERT_TRUE(partial);
    EXPECT_TRUE(partial->windows.empty());
}

TEST(ClaudeStatusline, compact_line)
{
    auto usage = ClaudeStatusline::parse(input(42.4, 9.6), t0);
    EXPECT_EQ(ClaudeStatusline::compactLine(*usage), "5h 42% · 7d 10% · ctx 35%");
    usage->contextPercent.reset();
    usage->windows.pop_back();
    EXPECT_EQ(ClaudeStatusline::compactLine(*usage), "5h 42%");
}

TEST(ClaudeStatusline, carry_over_keeps_what_the_new_input_lacks_until_its_reset)
{
    std::string previous = *ClaudeStatusline::normalize(input(40, 10), t0);
    const WallTime later = t0.plusSeconds(120);
    std::string onlyContext = *ClaudeStatusline::normalize(R"({"context_window":{"used_percentage":50}})", later);
    auto merged = ClaudeStatusline::parse(ClaudeStatusline::carryOver(onlyContext, previous, later), later);
    ASSERT_EQ(merged->windows.size(), 2u);
    EXPECT_EQ(merged->windows[0].usedPercent, 40);
    EXPECT_EQ(merged->windows[0].observedAt, t0);  // a carried reading keeps its age
    EXPECT_EQ(merged->contextPercent, 50);
    // After the 5 h reset only the 7 d window is carried.
    const WallTime afterReset = WallTime::fromUnixSeconds(1772370001);
    auto pastReset = ClaudeStatusline::parse(ClaudeStatusline::carryOver(onlyContext, previous, afterReset), afterReset);
    ASSERT_EQ(pastReset->windows.size(), 1u);
    EXPECT_EQ(pastReset->windows[0].id, "d7");
}

TEST(ClaudeStatusline, an_unchanged_reading_is_written_again_only_after_a_while)
{
    std::string previous = *ClaudeStatusline::normalize(input(40, 10), t0);
    EXPECT_TRUE(ClaudeStatusline::isUnchanged(*ClaudeStatusline::normalize(input(40, 10), t0.plusSeconds(5)), previous,
                                              t0.plusSeconds(5)));
    EXPECT_FALSE(ClaudeStatusline::isUnchanged(*ClaudeStatusline::normalize(input(41, 10), t0.plusSeconds(5)), previous,
                                               t0.plusSeconds(5)));
    EXPECT_FALSE(ClaudeStatusline::isUnchanged(*ClaudeStatusline::normalize(input(40, 10), t0.plusSeconds(61)),
                                               previous, t0.plusSeconds(61)));
}

TEST(ClaudeAccounts, identity_comes_from_the_login_in_the_configuration)
{
    Json config = Json::parse(R"({"oauthAccount":{"accountUuid":"3f2a9c1e-7b4d-4e8a-9c2b-1d5e6f7a8b9c",
                                  "emailAddress":"dev@example.org","displayName":"Dev"}})");
    EXPECT_EQ(ClaudeAccounts::identity(config), (ClaudeAccounts::Identity{"3f2a9c1e7b4d4e8a", "dev@example.org"}));
    config["oauthAccount"].erase("emailAddress");
    EXPECT_EQ(ClaudeAccounts::identity(config)->label, "Dev");
    EXPECT_EQ(ClaudeAccounts::identity(Json::parse(R"({"oauthAccount":{"accountUuid":"--"}})")), std::nullopt);
    EXPECT_EQ(ClaudeAccounts::configPath({{"CLAUDE_CONFIG_DIR", "/c"}}, "/home/u"), "/c/.claude.json");
    EXPECT_EQ(ClaudeAccounts::configPath({}, "/home/u"), "/home/u/.claude.json");
}

TEST(ClaudeAccounts, file_names_carry_short_alphanumeric_keys_only)
{
    EXPECT_EQ(ClaudeAccounts::fileName("ab12"), "claude.ab12.json");
    EXPECT_EQ(ClaudeAccounts::key("claude.ab12.json"), "ab12");
    EXPECT_EQ(ClaudeAccounts::key("claude.json"), std::nullopt);
    EXPECT_EQ(ClaudeAccounts::key("claude.a-b.json"), std::nullopt);
    EXPECT_EQ(ClaudeAccounts::key("claude.0123456789abcdefX.json"), std::nullopt);
    EXPECT_EQ(ClaudeAccounts::key("claude..json"), std::nullopt);
    EXPECT_TRUE(ClaudeAccounts::isStatusFile("claude.json"));
    EXPECT_FALSE(ClaudeAccounts::isStatusFile(".claude.json.tmp"));
}

TEST(ClaudeAccounts, a_login_takes_the_legacy_file_unless_another_login_holds_it)
{
    using ClaudeAccounts::Target;
    ClaudeAccounts::Identity me{"me", "me@example.org"};
    ClaudeAccounts::Legacy mine{ClaudeAccount{"me", std::nullopt}, t0};
    ClaudeAccounts::Legacy theirs{ClaudeAccount{"them", std::nullopt}, t0};
    EXPECT_EQ(ClaudeAccounts::resolve(std::nullopt, me, {}, t0), (Target{"me", "me@example.org", true}));
    EXPECT_EQ(ClaudeAccounts::resolve(mine, me, {}, t0), (Target{"me", "me@example.org", true}));
    EXPECT_EQ(ClaudeAccounts::resolve(theirs, me, {}, t0), (Target{"me", "me@example.org", false}));
    EXPECT_EQ(ClaudeAccounts::targetFile(ClaudeAccounts::resolve(theirs, me, {}, t0)), "claude.me.json");
    // Another login's reading older than 8 days leaves the file free.
    EXPECT_TRUE(ClaudeAccounts::resolve(theirs, me, {}, t0.plusSeconds(691'201)).adopted);
    // A login that has its own file keeps it.
    EXPECT_FALSE(ClaudeAccounts::resolve(mine, me, {"me"}, t0).adopted);
    EXPECT_EQ(ClaudeAccounts::resolve(theirs, std::nullopt, {}, t0), (Target{std::nullopt, std::nullopt, true}));
    EXPECT_EQ(ClaudeAccounts::relation(std::nullopt, "a"), ClaudeAccounts::Relation::unknown);
}

TEST(ClaudeAccounts, usages_label_accounts_and_merge_replaces_an_older_reading)
{
    std::string status = *ClaudeStatusline::normalize(input(40, 10), t0);
    std::string stamped = ClaudeAccounts::stamp(status, {"k1", "k1@example.org", false});
    std::vector<ClaudeAccounts::StatusFile> files{
        {"claude.json", status, t0},
        {"claude.k1.json", stamped, t0},
        {"claude.k2.json", status, t0},
        {"claude.k3.json", status, t0.plusSeconds(-691'201)},
        {"notes.json", status, t0},
    };
    auto usages = ClaudeAccounts::usages(files, t0);
    ASSERT_EQ(usages.size(), 3u);
    EXPECT_EQ(usages[0].account, std::nullopt);
    EXPECT_EQ(usages[1].account, (ClaudeAccount{"k1", "k1@example.org"}));
    EXPECT_EQ(usages[2].account, (ClaudeAccount{"k2", "Other Claude account"}));

    ProviderUsage oauth = usages[0];
    oauth.account = ClaudeAccount{"oauth", std::string(ClaudeAccount::thisMacLabel)};
    auto merged = ClaudeAccounts::merge(oauth, usages);
    EXPECT_EQ(merged.size(), 4u);
    oauth.observedAt = t0.plusSeconds(60);
    oauth.contextPercent = 1;
    merged = ClaudeAccounts::merge(oauth, merged);
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[3].contextPercent, 1);
}

}  // namespace
}  // namespace corvane
