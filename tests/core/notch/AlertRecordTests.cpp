#include <gtest/gtest.h>

#include "core/notch/AlertCardPlan.h"
#include "core/notch/AlertCountdown.h"
#include "core/notch/AlertRecord.h"

using namespace corvane;
using Action = AlertRecord::Action;

namespace {

AlertRecord record(std::string kind, std::string moduleID, std::string title,
                   std::optional<Action> action = std::nullopt)
{
    return AlertRecord{Uuid::random(), std::move(kind), std::move(moduleID), std::move(title), "",
                       WallTime::fromReferenceSeconds(800000000), std::move(action)};
}

}  // namespace

TEST(AlertRecord, every_action_is_stored_under_its_case_name_with_the_payload_under_0)
{
    MeetingLink::Link zoom{MeetingLink::Service::zoom, "https://zoom.us/j/123456789",
                           "zoommtg://zoom.us/join?confno=123456789"};
    struct Expected {
        Action action;
        Json json;
    };
    const Expected cases[] = {
        {Action::containerLogs("web"), Json::parse(R"({"containerLogs": {"_0": "web"}})")},
        {Action::join(zoom), Json::parse(R"({"join": {"_0": {"service": "zoom", "url": "https://zoom.us/j/123456789",
                                             "appURL": "zoommtg://zoom.us/join?confno=123456789"}}})")},
        {Action::open("inbox"), Json::parse(R"({"open": {"_0": "inbox"}})")},
        {Action::completeReminder("r1"), Json::parse(R"({"completeReminder": {"_0": "r1"}})")},
        {Action::snoozeReminder("r2"), Json::parse(R"({"snoozeReminder": {"_0": "r2"}})")},
        {Action::restartTimer(25), Json::parse(R"({"restartTimer": {"_0": 25}})")},
        {Action::reveal({"/a", "/b"}), Json::parse(R"({"reveal": {"_0": ["/a", "/b"]}})")},
        {Action::cleanUpApp("Editor"), Json::parse(R"({"cleanUpApp": {"_0": "Editor"}})")},
        {Action::openURL("https://example.com/r/1"), Json::parse(R"({"openURL": {"_0": "https://example.com/r/1"}})")},
    };
    for (const auto& [action, json] : cases) {
        EXPECT_EQ(action.toJson(), json);
        EXPECT_EQ(Action::fromJson(json), action) << json.dump();
    }
}

TEST(AlertRecord, a_record_round_trips_with_its_date_in_seconds_since_2001)
{
    AlertRecord original = record("docker.exit", "docker", "web exited", Action::containerLogs("web"));
    original.text = "code 137";
    Json json = original.toJson();
    EXPECT_EQ(json["date"], 800000000);
    EXPECT_EQ(json["id"], original.id.string());
    EXPECT_EQ(AlertRecord::fromJson(json), original);
}

TEST(AlertRecord, decoding_keeps_a_record_whose_action_this_version_does_not_know)
{
    Json json = record("ai.finished", "ai", "Codex finished").toJson();
    json.erase("text");
    json["action"] = Json::parse(R"({"launchRocket": {"_0": 1}})");
    auto decoded = AlertRecord::fromJson(json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, "");
    EXPECT_FALSE(decoded->action);

    for (const char* required : {"id", "kind", "moduleID", "title", "date"}) {
        Json missing = json;
        missing.erase(required);
        EXPECT_FALSE(AlertRecord::fromJson(missing)) << required;
    }
    json["id"] = "not-a-uuid";
    EXPECT_FALSE(AlertRecord::fromJson(json));
}

TEST(AlertRecord, agent_alerts_take_their_brand_from_the_title_others_from_module_and_action)
{
    EXPECT_EQ(record("ai.finished", "ai", "Claude Code").brand(), Brand::claude);
    EXPECT_EQ(record("ai.stuck", "ai", "CODEX is waiting").brand(), Brand::codex);
    EXPECT_EQ(record("ai.finished", "ai", "Gemini CLI finished").brand(), Brand::gemini);
    EXPECT_FALSE(record("ai.finished", "ai", "Codexer finished").brand());
    EXPECT_FALSE(record("ai.finished", "ai", "Agent finished: claude").brand());

    EXPECT_EQ(record("docker.exit", "docker", "web exited").brand(), Brand::docker);
    EXPECT_EQ(record("git.ciFail", "git", "CI failed").brand(), Brand::github);
    MeetingLink::Link meet{MeetingLink::Service::meet, "https://meet.google.com/abc-defg-hij", std::nullopt};
    EXPECT_EQ(record("calendar.meeting", "calendar", "Standup", Action::join(meet)).brand(), Brand::meet);
    EXPECT_FALSE(record("vitals.lowBattery", "vitals", "Claude is low").brand());
}

TEST(Brand, all_62_brands_keep_their_order_raw_values_and_titles)
{
    EXPECT_EQ(caseCount<Brand>(), 62u);
    EXPECT_EQ(EnumCases<Brand>::cases.front().second, "claude");
    EXPECT_EQ(EnumCases<Brand>::cases.back().second, "vue");
    for (const auto& [brand, raw] : EnumCases<Brand>::cases) {
        EXPECT_EQ(fromRawValue<Brand>(raw), brand);
        EXPECT_FALSE(title(brand).empty()) << raw;
    }
    EXPECT_EQ(title(Brand::nextjs), "Next.js");
    EXPECT_EQ(title(Brand::appleMusic), "Apple Music");
}

TEST(AlertCardPlan, cards_are_branded_from_text_then_kind_and_tinted_for_claude_and_codex)
{
    AlertCardPlan card;
    card.tintHex = "#34C759";
    card.applyBrand("ai.finished", "claude code finished in api");
    EXPECT_EQ(card.brand, Brand::claude);
    EXPECT_EQ(card.tintHex, "#D97757");

    EXPECT_EQ(AlertCardPlan::recogniseBrand("codex.notify", "Turn complete"), Brand::codex);
    EXPECT_EQ(AlertCardPlan::tint(Brand::codex, "#000000"), "#10A37F");
    EXPECT_EQ(AlertCardPlan::tint(Brand::gemini, "#000000"), "#000000");
    EXPECT_FALSE(AlertCardPlan::recogniseBrand("ai.finished", "encursored claudette"));
}

TEST(AlertCountdown, pausing_keeps_the_time_left_and_resuming_continues_from_it)
{
    WallTime start = WallTime::fromUnixSeconds(1000);
    AlertCountdown countdown = AlertCountdown::started(6, start);
    EXPECT_DOUBLE_EQ(countdown.fraction(start.plusSeconds(3)), 0.5);

    countdown.pause(start.plusSeconds(3));
    EXPECT_TRUE(countdown.isPaused());
    EXPECT_DOUBLE_EQ(countdown.fraction(start.plusSeconds(100)), 0.5);

    countdown.resume(start.plusSeconds(100));
    EXPECT_DOUBLE_EQ(countdown.fraction(start.plusSeconds(101.5)), 0.25);
    EXPECT_FALSE(countdown.isExpired(start.plusSeconds(102)));
    EXPECT_TRUE(countdown.isExpired(start.plusSeconds(103)));
    EXPECT_DOUBLE_EQ(countdown.fraction(start.plusSeconds(200)), 0.0);

    EXPECT_DOUBLE_EQ((AlertCountdown{6, std::nullopt, std::nullopt}).fraction(start), 1.0);
    EXPECT_DOUBLE_EQ((AlertCountdown{0, std::nullopt, std::nullopt}).fraction(start), 0.0);
}
