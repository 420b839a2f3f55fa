// The usage command over the checked-in transcripts: what it prints, and
// that it leaves every file as it found it.

#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "core/agents/UsageCommand.h"
#include "core/base/JsonStore.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/Keys.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::set<std::pair<std::string, std::uintmax_t>> treeOf(const fs::path& root)
{
    std::set<std::pair<std::string, std::uintmax_t>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        entries.emplace(entry.path().string(), entry.is_regular_file() ? entry.file_size() : 0);
    return entries;
}

class UsageCommandTest : public ::testing::Test {
protected:
    UsageCommandTest()
    {
        const fs::path samples = fs::path(LUNEBOX_TEST_DATA) / "transcripts";
        fs::create_directories(home.path() / "elsewhere");
        fs::copy(samples / "claude", home.path() / "elsewhere/claude", fs::copy_options::recursive);
        fs::copy(samples / "codex", home.path() / "elsewhere/codex", fs::copy_options::recursive);
        command.environment = {{"HOME", home.path().string()},
                               {"CLAUDE_CONFIG_DIR", (home.path() / "elsewhere/claude").string()},
                               {"CODEX_HOME", (home.path() / "elsewhere/codex").string()}};
        command.settingsFile = home.path() / "config/Lunebox/defaults.json";
    }

    Json runJson()
    {
        command.json = true;
        return Json::parse(command.run(clock, Calendar::utc()));
    }

    testing::TemporaryFolder home;
    ManualClock clock{WallTime::fromUnixSeconds(1772406000)};  // 2026-03-01T23:00:00Z, late on the samples' day
    UsageCommand command;
};

TEST_F(UsageCommandTest, json_lists_every_agent_and_model_with_six_token_fields_cost_and_sessions)
{
    Json report = runJson();
    ASSERT_TRUE(report["models"].is_array());
    ASSERT_GE(report["models"].size(), 2u);
    std::set<std::string> agents;
    for (const Json& model : report["models"]) {
        agents.insert(model["agent"].get<std::string>());
        for (const char* field : {"input", "output", "cacheWrite5m", "cacheWrite1h", "cacheRead", "reasoning"})
            EXPECT_TRUE(model[field].is_number_integer()) << field;
        EXPECT_TRUE(model["cost"].is_number() || model["cost"].is_null());
        EXPECT_GE(model["sessions"].get<int>(), 1);
    }
    EXPECT_EQ(agents, (std::set<std::string>{"claudeCode", "codex"}));
    EXPECT_EQ(report["days"].size(), 7u);
    EXPECT_EQ(report["days"].back()["date"], "2026-03-01");
    const Json& today = report["periods"]["today"]["tokens"]["total"];
    EXPECT_GT(today.get<std::int64_t>(), 0);
    EXPECT_EQ(report["days"].back()["tokens"], today);
    EXPECT_EQ(report["periods"]["week"]["tokens"]["total"], today);
    EXPECT_EQ(report["streak"], 1);
    EXPECT_EQ(report["index"]["files"], 3);
}

TEST_F(UsageCommandTest, the_users_price_overrides_apply_and_unknown_models_stay_unpriced)
{
    auto costOf = [](const Json& report, const std::string& name) {
        for (const Json& model : report["models"]) {
            if (model["model"] == name)
                return model["cost"];
        }
        return Json("absent");
    };
    Json before = runJson();
    EXPECT_TRUE(costOf(before, "claude-haiku-4-5-20251001").is_number());
    EXPECT_TRUE(costOf(before, "claude-sonnet-4-5-20250929").is_null());

    Json overrides = {{"claude-sonnet-4-5", {{"input", 3.0}, {"output", 15.0}, {"cacheReadMultiplier", 0.1}}}};
    fs::create_directories(command.settingsFile.parent_path());
    std::ofstream(command.settingsFile) << FileDefaultsDomain::encodeDocument(
        {{Keys::aiPriceOverrides.storageKey(), DefaultsDomain::Data{overrides.dump()}}});
    EXPECT_GT(costOf(runJson(), "claude-sonnet-4-5-20250929").get<double>(), 0.0);

    // A settings file that does not decode is read as no overrides and left where it is.
    std::ofstream(command.settingsFile, std::ios::trunc) << "{ not json";
    EXPECT_TRUE(costOf(runJson(), "claude-sonnet-4-5-20250929").is_null());
    EXPECT_TRUE(fs::exists(command.settingsFile));
}

TEST_F(UsageCommandTest, the_table_and_the_json_leave_every_file_as_it_was)
{
    const auto before = treeOf(home.path());
    command.json = false;
    std::string table = command.run(clock, Calendar::utc());
    EXPECT_NE(table.find("This month"), std::string::npos);
    EXPECT_NE(table.find("claude-sonnet-4-5-20250929"), std::string::npos);
    EXPECT_NE(table.find("Sun 1 Mar"), std::string::npos);
    runJson();
    EXPECT_EQ(treeOf(home.path()), before);
}

TEST_F(UsageCommandTest, two_runs_over_the_same_transcripts_print_the_same_bytes)
{
    command.json = true;
    EXPECT_EQ(command.run(clock, Calendar::utc()), command.run(clock, Calendar::utc()));
}

}  // namespace
}  // namespace corvane
