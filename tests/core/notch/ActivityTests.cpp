#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/notch/Activity.h"
#include "core/notch/SmartEars.h"

using namespace corvane;
using Json = nlohmann::json;

namespace {
WallTime at(double seconds) { return WallTime::fromReferenceSeconds(790'000'000 + seconds); }
}  // namespace

TEST(EarContent, every_case_survives_json_in_the_keyed_form)
{
    std::vector<EarContent> contents{
        EarContent::none(),
        EarContent::symbol("hammer"),
        EarContent::text("Build done"),
        EarContent::symbolText("cpu", "92%"),
        EarContent::artwork("a1b2"),
        EarContent::progress(0.25),
        EarContent::level(0.5, true),
        EarContent::bars(),
        EarContent::dot("#34C759"),
        EarContent::battery(81),
        EarContent::progressPercent(0.42),
        EarContent::holdRing("lock.fill", 1.5),
        EarContent::secondaryText("idle"),
        EarContent::tintedSymbolText("bolt.fill", "Awake", "#FF9F0A"),
        EarContent::tintedLabel("timer", "12:04", "#0A84FF", true),
        EarContent::lyric("And the night goes on", 3.2),
        EarContent::pair(EarContent::symbol("music.note"), EarContent::pair(EarContent::bars(), EarContent::text("x"))),
        EarContent::charge(64, ChargeState::charging),
        EarContent::buds(BudsBattery{.left = 80, .right = std::nullopt, .caseLevel = 55}, "Buds Pro"),
    };
    for (const auto& content : contents) {
        auto decoded = EarContent::fromJson(content.toJson());
        ASSERT_TRUE(decoded) << content;
        EXPECT_EQ(*decoded, content);
    }
    EXPECT_EQ(EarContent::tintedLabel("timer", "12:04", "#0A84FF", true).toJson(),
              Json::parse(R"({"tintedLabel":{"_0":"timer","_1":"12:04","hex":"#0A84FF","mono":true}})"));
    EXPECT_EQ(EarContent::none().toJson(), Json::parse(R"({"none":{}})"));
}

TEST(EarContent, unknown_cases_wrong_payloads_and_deep_nesting_do_not_decode)
{
    for (const char* text : {R"({"sparkle":{}})", R"({"symbol":{}})", R"({"symbol":{"_0":3}})", R"({"battery":{"_0":0.5}})",
                             R"({"charge":{"_0":5,"_1":"exploding"}})", R"({"buds":{"_0":{"left":"x"},"model":"m"}})",
                             R"({"text":{"_0":"a"},"symbol":{"_0":"b"}})", R"("text")", R"({"text":"a"})"})
        EXPECT_EQ(EarContent::fromJson(Json::parse(text)), std::nullopt) << text;

    Json nested = EarContent::text("deep").toJson();
    for (int i = 0; i < 6; ++i)
        nested = Json{{"pair", {{"_0", nested}, {"_1", EarContent::none().toJson()}}}};
    EXPECT_EQ(EarContent::fromJson(nested), std::nullopt);
}

TEST(Activity, json_keeps_every_field_with_dates_since_2001_and_refuses_records_without_their_identity)
{
    Activity activity{
        .id = "ai.working", .moduleID = "ai", .kind = "ai.working", .priority = 50,
        .left = EarContent::symbol("sparkles"), .right = EarContent::text("2 agents"), .tintHex = "#D97757",
        .createdAt = at(0), .expiresAt = at(60), .detail = "Claude Code · api", .yieldsTo = "x",
        .userAction = at(1), .showsAfter = at(2), .waitingSince = at(3), .since = at(-100),
    };
    Json json = activity.toJson();
    EXPECT_DOUBLE_EQ(json["createdAt"].get<double>(), 790'000'000);
    EXPECT_EQ(Activity::fromJson(json), activity);

    Activity bare{.id = "a", .moduleID = "m", .kind = "k", .createdAt = at(0)};
    EXPECT_FALSE(bare.toJson().contains("expiresAt"));
    EXPECT_EQ(Activity::fromJson(bare.toJson()), bare);

    json.erase("moduleID");
    EXPECT_EQ(Activity::fromJson(json), std::nullopt);
    json = activity.toJson();
    json["expiresAt"] = "tomorrow";
    EXPECT_EQ(Activity::fromJson(json), std::nullopt);
}

TEST(Activity, one_ear_gets_a_merged_content_and_a_lyric_gives_way_to_bars_when_asked)
{
    Activity timer{.left = EarContent::symbol("timer"), .right = EarContent::text("4:59")};
    EXPECT_EQ(timer.compact(), EarContent::symbolText("timer", "4:59"));
    EXPECT_EQ(timer.single(80, 0, false), EarContent::symbolText("timer", "4:59"));
    EXPECT_EQ(timer.single(0, 128, false), EarContent::pair(EarContent::symbol("timer"), EarContent::text("4:59")));

    Activity rightOnly{.left = EarContent::none(), .right = EarContent::battery(20)};
    EXPECT_EQ(rightOnly.compact(), EarContent::battery(20));
    Activity gauges{.left = EarContent::progress(0.3), .right = EarContent::progressPercent(0.3)};
    EXPECT_EQ(gauges.compact(), EarContent::progress(0.3));

    Activity music{.left = EarContent::artwork("k"), .right = EarContent::lyric("Hello darkness", 2)};
    EXPECT_EQ(music.single(128, 0, true), EarContent::pair(EarContent::artwork("k"), EarContent::bars()));
    EXPECT_EQ(music.single(80, 80, false), EarContent::artwork("k"));
}

TEST(SmartEars, a_confirmation_stays_two_seconds_for_a_word_or_two_and_three_for_more)
{
    EXPECT_DOUBLE_EQ(SmartEars::confirmation(EarContent::symbol("doc.on.doc"), EarContent::text("Copied")), 2.0);
    EXPECT_DOUBLE_EQ(SmartEars::confirmation(EarContent::text(" Link  cleaned "), EarContent::none()), 2.0);
    EXPECT_DOUBLE_EQ(SmartEars::confirmation(EarContent::text("Output"), EarContent::secondaryText("AirPods Pro")), 3.0);
    EXPECT_DOUBLE_EQ(SmartEars::confirmation(EarContent::pair(EarContent::text("a b"), EarContent::lyric("c", 1)),
                                             EarContent::none()),
                     3.0);

    auto copied = Activity::confirmation("clipboard.copied", "clipboard", "clipboard.copied", 60,
                                         EarContent::symbol("doc.on.doc"), EarContent::text("Copied"), std::nullopt, at(0));
    EXPECT_TRUE(copied.isTransient());
    EXPECT_EQ(copied.expiresAt, at(2));
    EXPECT_EQ(copied.userAction, at(0));
    EXPECT_TRUE(SmartEars::isUserEventKind("clipboard.copied"));
    EXPECT_FALSE(SmartEars::isUserEventKind("clipboard.hint"));
}
