#include "core/agents/CodexParser.h"

#include <string>

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr double lineTime = 1772359212.25;  // 2026-03-01T10:00:12.250Z

std::string tokenCount(const std::string& totals, const std::string& rateLimits = "null")
{
    return R"({"timestamp":"2026-03-01T10:00:12.250Z","type":"event_msg","payload":{"type":"token_count",)"
           R"("info":{"total_token_usage":)"
           + totals + R"(,"model_context_window":272000},"rate_limits":)" + rateLimits + "}}";
}

std::string totals(int input, int cached, int output, int reasoning)
{
    return R"({"input_tokens":)" + std::to_string(input) + R"(,"cached_input_tokens":)" + std::to_string(cached)
           + R"(,"output_tokens":)" + std::to_string(output) + R"(,"reasoning_output_tokens":)"
           + std::to_string(reasoning) + "}";
}

std::string limitsLine(const std::string& primary)
{
    return tokenCount("null", R"({"primary":)" + primary + "}");
}

TEST(CodexParser, bills_the_difference_between_cumulative_totals)
{
    CodexParser parser;
    CodexParser::State state;
    parser.parse(R"({"timestamp":"2026-03-01T10:00:00.412Z","type":"session_meta","payload":{"id":"s-9","cwd":"/w/app"}})",
                 state);
    parser.parse(R"({"type":"turn_context","payload":{"model":"gpt-5-codex","cwd":"/w/app2"}})", state);

    auto first = parser.parse(tokenCount(totals(1000, 600, 300, 100)), state);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (UsageRecord{"s-9:1000:300:100", AgentKind::codex, "gpt-5-codex",
                                   WallTime::fromUnixSeconds(lineTime), "s-9", "app2", TokenUsage{400, 200, 0, 0, 600, 100}}));

    // Written twice with the same totals: nothing new was spent.
    EXPECT_FALSE(parser.parse(tokenCount(totals(1000, 600, 300, 100)), state));

    auto second = parser.parse(tokenCount(totals(1500, 1000, 350, 150)), state);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->usage, (TokenUsage{100, 0, 0, 0, 400, 50}));

    // Totals that drop belong to a new counter: counted from zero.
    auto restarted = parser.parse(tokenCount(totals(200, 50, 30, 0)), state);
    ASSERT_TRUE(restarted);
    EXPECT_EQ(restarted->usage, (TokenUsage{150, 30, 0, 0, 50, 0}));
    EXPECT_EQ(restarted->id, "s-9:200:30:0");
    EXPECT_EQ(state.last, (CodexParser::Totals{200, 50, 30, 0}));
}

TEST(CodexParser, names_unknown_sessions_and_models_codex_and_reads_negative_totals_as_zero)
{
    CodexParser parser;
    CodexParser::State state;
    auto record = parser.parse(tokenCount(R"({"input_tokens":-4,"output_tokens":9})"), state);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->id, "codex:0:9:0");
    EXPECT_EQ(record->sessionID, "codex");
    EXPECT_EQ(record->model, "codex");
    EXPECT_EQ(record->project, std::nullopt);
}

TEST(CodexParser, keeps_only_plausible_limit_values_field_by_field)
{
    CodexParser parser;
    auto windowOf = [&](const std::string& primary) {
        CodexParser::State state;
        parser.parse(limitsLine(primary), state);
        return state.limits.empty() ? std::nullopt : std::optional(state.limits.front());
    };
    auto at = [](double seconds) { return std::optional(WallTime::fromUnixSeconds(seconds)); };

    EXPECT_EQ(windowOf(R"({"used_percent":12.5,"window_minutes":300,"resets_at":1772366400})"),
              (CodexParser::StoredWindow{"primary", 12.5, at(1772366400), 300}));
    EXPECT_FALSE(windowOf(R"({"used_percent":100.5,"window_minutes":300})"));
    EXPECT_FALSE(windowOf(R"({"used_percent":-0.1})"));
    EXPECT_FALSE(windowOf(R"({"window_minutes":300})"));
    EXPECT_EQ(windowOf(R"({"used_percent":100,"window_minutes":129601,"resets_at":10000000000})")->m, std::nullopt);
    EXPECT_EQ(windowOf(R"({"used_percent":0,"window_minutes":129600})")->m, 129600);
    EXPECT_EQ(windowOf(R"({"used_percent":0,"window_minutes":0})")->m, std::nullopt);
    // An implausible or non-numeric reset time falls back to the delay after the line.
    EXPECT_EQ(windowOf(R"({"used_percent":1,"resets_at":1000000000,"resets_in_seconds":60})")->r, at(lineTime + 60));
    EXPECT_EQ(windowOf(R"({"used_percent":1,"resets_at":true,"resets_in_seconds":0})")->r, at(lineTime));
    EXPECT_EQ(windowOf(R"({"used_percent":1,"resets_in_seconds":7776000})")->r, std::nullopt);
    EXPECT_EQ(windowOf(R"({"used_percent":1,"resets_in_seconds":-1})")->r, std::nullopt);
}

TEST(CodexParser, replaces_limits_only_when_a_window_survives_and_the_time_parses)
{
    CodexParser parser;
    CodexParser::State state;
    parser.parse(limitsLine(R"({"used_percent":40})"), state);
    ASSERT_EQ(state.limits.size(), 1u);

    parser.parse(limitsLine(R"({"used_percent":140})"), state);
    EXPECT_EQ(state.limits.front().p, 40);

    std::string badTime = limitsLine(R"({"used_percent":50})");
    badTime.replace(badTime.find(".250Z"), 5, "Z");
    parser.parse(badTime, state);
    EXPECT_EQ(state.limits.front().p, 40);
    EXPECT_EQ(state.limitsAt, WallTime::fromUnixSeconds(lineTime));
}

TEST(CodexParser, refuses_a_malformed_line_whatever_follows_it_in_the_buffer)
{
    // A value where a comma belongs; On-Demand skips it and would close the
    // object with braces found past the line's end.
    const std::string line = R"({"type":"session_meta","payload":{"id":"s-1","x":"y":{"a":"b"}}})";
    for (char after : {'\0', '}', '\n'}) {
        std::string buffer = line + "\n" + std::string(transcriptLinePadding, after);
        CodexParser parser;
        CodexParser::State state;
        parser.parse(PaddedLine{std::string_view(buffer.data(), line.size())}, state);
        parser.parse(line, state);
        EXPECT_EQ(state, CodexParser::State{}) << int(after);
    }
}

// What the screen turns away could bill nothing and leave the state as it
// was: decoding it anyway shows the same.
TEST(CodexParser, the_screen_settles_lines_by_their_types_as_decoding_them_would)
{
    const std::string time = R"({"timestamp":"2026-03-01T10:00:12.250Z",)";
    const std::string count = tokenCount(totals(1000, 600, 300, 100));
    struct Case {
        std::string line;
        bool screened;
    };
    const Case cases[] = {
        {count, true},
        {time + R"("type":"session_meta","payload":{"id":"s-2"}})", true},
        {time + R"("type":"turn_context","payload":{"model":"gpt-5"}})", true},
        // Other types, whatever their text holds.
        {time + R"("type":"response_item","payload":{"type":"message","text":"token_count"}})", false},
        {time + R"("type":"event_msg","payload":{"type":"agent_message","text":"turn_context"}})", false},
        // The first type counts, for the screen and the decoder alike.
        {time + R"("type":"response_item","payload":{"type":"token_count"},"type":"event_msg"})", false},
        {time + R"("type":"event_msg","payload":{"type":"agent_message","type":"token_count"}})", false},
        // Written otherwise, a line is searched for the types' names.
        {R"({"payload":{"type":"token_count"},"type":"event_msg","timestamp":"2026-03-01T10:00:12.250Z"})", true},
        {R"({ "type":"event_msg","payload":{"type":"agent_message"}})", false},
        {time + R"("type":"event_msg","x":1,"payload":{"type":"token_count"}})", true},
    };
    for (const auto& [line, screened] : cases) {
        EXPECT_EQ(CodexParser::screens(line), screened) << line;
        if (screened)
            continue;
        std::string buffer = line + "\n" + std::string(transcriptLinePadding, ' ');
        CodexParser parser;
        CodexParser::State state;
        UsageRecord record;
        EXPECT_FALSE(parser.parseInto(PaddedLine{std::string_view(buffer.data(), line.size())}, state,
                                      Screening::passed, record))
            << line;
        EXPECT_EQ(state, CodexParser::State{}) << line;
    }
}

// Codex writes most counts twice, the same but for the time.
TEST(CodexParser, a_copy_of_the_last_count_moves_the_limits_on_as_decoding_it_would)
{
    const std::string limits =
        R"({"primary":{"used_percent":20.5,"window_minutes":300,"resets_in_seconds":600},"secondary":{"used_percent":3.0,"resets_at":1772900000}})";
    std::string count = tokenCount(totals(1000, 600, 300, 100), limits) + "\n";
    count.append(transcriptLinePadding, '\n');
    auto at = [&](const std::string& time) {
        std::string line = count.substr(0, count.find('\n'));
        return line.replace(line.find("2026-03-01T10:00:12.250Z"), 24, time);
    };
    CodexParser parser;
    CodexParser::State state;
    ASSERT_TRUE(parser.parse(PaddedLine{std::string_view(count).substr(0, count.find('\n'))}, state));
    ASSERT_TRUE(parser.lastCount());
    const CodexParser::CountLine kept = *parser.lastCount();

    for (const std::string& copy : {at("2026-03-01T10:00:14.004Z"), at("2026-03-01T10:00:1x.004Z")}) {
        CodexParser::State copied = state;
        ASSERT_TRUE(CodexParser::readCopy(kept, copy, copied)) << copy;
        CodexParser::State decoded = state;
        CodexParser other;
        EXPECT_FALSE(other.parse(copy, decoded));
        EXPECT_EQ(copied, decoded);
    }
    EXPECT_NE(state.limitsAt, std::nullopt);

    CodexParser::State untouched = state;
    for (const std::string& other :
         {at(R"(2026-03-01T10:00:1"."04Z)"), at("2026-03-01T10:00:1\\.004Z"), tokenCount(totals(1000, 600, 301, 100), limits)})
        EXPECT_FALSE(CodexParser::readCopy(kept, other, untouched)) << other;
    EXPECT_EQ(untouched, state);

    // Only a count line read in place is a model for copies.
    parser.parse(tokenCount(totals(1000, 600, 300, 100), limits), state);
    EXPECT_FALSE(parser.lastCount());
    const std::string turn = R"({"type":"turn_context","payload":{"model":"gpt-5"}})";
    const std::string padded = turn + std::string(1 + transcriptLinePadding, '\n');
    parser.parse(PaddedLine{std::string_view(padded).substr(0, turn.size())}, state);
    EXPECT_FALSE(parser.lastCount());
}

TEST(CodexParser, labels_windows_by_their_length)
{
    EXPECT_EQ(windowLabel("primary", 300), "5 h");
    EXPECT_EQ(windowLabel("secondary", 10080), "7 d");
    EXPECT_EQ(windowLabel("primary", 45), "45 min");
    EXPECT_EQ(windowLabel("primary", 90), "90 min");
    EXPECT_EQ(windowLabel("primary", std::nullopt), "Primary");
    EXPECT_EQ(windowLabel("secondary", std::nullopt), "Secondary");
}

TEST(CodexParser, state_round_trips_through_its_stored_form)
{
    CodexParser::State state;
    EXPECT_FALSE(state.rateLimits(AIProviderID::codex));
    state.sessionID = "s-9";
    state.model = "gpt-5";
    state.last = {20000, 14000, 1500, 700};
    state.limits = {{"primary", 18.5, WallTime::fromUnixSeconds(1772366400), 300}, {"secondary", 3, std::nullopt, std::nullopt}};
    state.limitsAt = WallTime::fromReferenceSeconds(794052125.75);

    Json json = state.toJson();
    EXPECT_EQ(json["limits"][0], Json::parse(R"({"id":"primary","p":18.5,"r":1772366400.0,"m":300})"));
    EXPECT_EQ(json["limitsAt"], 794052125.75);
    EXPECT_FALSE(json.contains("cwd"));
    EXPECT_EQ(CodexParser::State::fromJson(json), state);

    json["limits"].push_back("not a window");
    json["limits"].push_back({{"id", "tertiary"}});
    EXPECT_EQ(CodexParser::State::fromJson(json)->limits, state.limits);
    EXPECT_FALSE(CodexParser::State::fromJson(Json::array()));
}

TEST(CodexParser, turns_stored_windows_into_provider_usage)
{
    CodexParser::State state;
    state.limits = {{"primary", 18.5, WallTime::fromUnixSeconds(1772366400), 300}, {"secondary", 3, std::nullopt, std::nullopt}};
    state.limitsAt = WallTime::fromUnixSeconds(lineTime);
    EXPECT_EQ(state.rateLimits(AIProviderID::codex),
              (ProviderUsage{AIProviderID::codex,
                             {
                                 {"primary", "5 h", 18.5, WallTime::fromUnixSeconds(1772366400), 300, "Codex session log",
                                  WallTime::fromUnixSeconds(lineTime)},
                                 {"secondary", "Secondary", 3, std::nullopt, std::nullopt, "Codex session log",
                                  WallTime::fromUnixSeconds(lineTime)},
                             },
                             std::nullopt, WallTime::fromUnixSeconds(lineTime), std::nullopt}));
}

}  // namespace
}  // namespace corvane
