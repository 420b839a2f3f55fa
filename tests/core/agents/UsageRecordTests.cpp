#include "core/agents/UsageRecord.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(UsageRecord, round_trips_through_its_json_keys_with_dates_since_2001)
{
    UsageRecord record{"msg_1", AgentKind::codex, "gpt-5", WallTime::fromReferenceSeconds(1000.5), "s1", "app",
                       TokenUsage{1, 2, 3, 4, 5, 6}};
    EXPECT_EQ(record.toJson(), Json::parse(R"({"id":"msg_1","agent":"codex","model":"gpt-5","timestamp":1000.5,
        "sessionID":"s1","project":"app","usage":{"input":1,"output":2,"cacheWrite5m":3,"cacheWrite1h":4,
        "cacheRead":5,"reasoning":6}})"));
    EXPECT_EQ(UsageRecord::fromJson(record.toJson()), record);
    EXPECT_EQ(record.usage.total(), 21);

    record.project.reset();
    EXPECT_FALSE(record.toJson().contains("project"));
    EXPECT_EQ(UsageRecord::fromJson(record.toJson()), record);

    Json unknownAgent = record.toJson();
    unknownAgent["agent"] = "gemini";
    EXPECT_EQ(UsageRecord::fromJson(unknownAgent), std::nullopt);
    EXPECT_EQ(title(AgentKind::claudeCode), "Claude Code");
}

}  // namespace
}  // namespace corvane
