#include "core/agents/ClaudeCodeParser.h"

#include <string>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// An assistant line with the given `usage` object and extra top-level fields.
std::string assistantLine(const std::string& usage, const std::string& extra = R"("cwd":"/home/dev/work/lunebox",)")
{
    return R"({"parentUuid":null,)" + extra
           + R"("sessionId":"s-1","message":{"id":"msg_1","type":"message","role":"assistant","model":"claude-opus-4-1",)"
           + R"("content":[{"type":"text","text":"hi"}],"usage":)" + usage
           + R"(},"type":"assistant","timestamp":"2026-03-01T09:15:05.321Z"})";
}

TEST(ClaudeCodeParser, reads_an_assistant_line_whatever_the_order_of_its_fields)
{
    ClaudeCodeParser parser;
    auto record = parser.parse(
        assistantLine(R"({"input_tokens":3,"cache_creation_input_tokens":10,"cache_read_input_tokens":20,"output_tokens":7})"),
        "fallback");
    ASSERT_TRUE(record);
    EXPECT_EQ(*record, (UsageRecord{"msg_1", AgentKind::claudeCode, "claude-opus-4-1",
                                    WallTime::fromUnixSeconds(1772356505.321), "s-1", "lunebox",
                                    TokenUsage{3, 7, 10, 0, 20, 0}}));

    auto reordered = parser.parse(
        std::string(R"({"timestamp":"2026-03-01T09:15:05.321Z","type":"assistant","message":{"usage":{"output_tokens":7},)")
            + R"("model":"m","id":"msg_1"},"cwd":"/a/b/"})",
        std::nullopt);
    ASSERT_TRUE(reordered);
    EXPECT_EQ(reordered->project, "b");
    EXPECT_EQ(reordered->sessionID, "unknown");
}

TEST(ClaudeCodeParser, falls_back_to_the_callers_project_without_cwd)
{
    ClaudeCodeParser parser;
    auto record = parser.parse(assistantLine(R"({"output_tokens":1})", ""), "my-app");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->project, "my-app");
    EXPECT_EQ(parser.parse(assistantLine(R"({"output_tokens":1})", ""), std::nullopt)->project, std::nullopt);
}

TEST(ClaudeCodeParser, splits_cache_writes_by_their_ephemeral_detail)
{
    ClaudeCodeParser parser;
    auto usageOf = [&](const std::string& usage) { return parser.parse(assistantLine(usage), std::nullopt)->usage; };

    // Only the one-hour detail: the single count is not taken as five-minute writes.
    EXPECT_EQ(usageOf(R"({"cache_creation_input_tokens":500,"cache_creation":{"ephemeral_1h_input_tokens":500}})"),
              (TokenUsage{0, 0, 0, 500, 0, 0}));
    EXPECT_EQ(usageOf(R"({"cache_creation_input_tokens":900,)"
                      R"("cache_creation":{"ephemeral_5m_input_tokens":300,"ephemeral_1h_input_tokens":600}})"),
              (TokenUsage{0, 0, 300, 600, 0, 0}));
    // A detail object with neither field keeps the single count.
    EXPECT_EQ(usageOf(R"({"cache_creation_input_tokens":40,"cache_creation":{}})"), (TokenUsage{0, 0, 40, 0, 0, 0}));
    EXPECT_EQ(usageOf(R"({"cache_creation_input_tokens":40,"cache_creation":null})"), (TokenUsage{0, 0, 40, 0, 0, 0}));
}

TEST(ClaudeCodeParser, yields_nothing_for_lines_that_bill_no_call)
{
    ClaudeCodeParser parser;
    const std::string valid = assistantLine(R"({"output_tokens":1})");
    ASSERT_TRUE(parser.parse(valid, std::nullopt));

    auto replace = [&](const std::string& from, const std::string& to) {
        std::string line = valid;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    for (const std::string& line : {
             assistantLine(R"({"input_tokens":0,"output_tokens":0,"cache_read_input_tokens":0})"),
             assistantLine(R"({"input_tokens":-5,"output_tokens":10})"),
             assistantLine(R"({"input_tokens":9223372036854775807,"output_tokens":9223372036854775807})"),
             assistantLine(R"({"output_tokens":"12"})"),
             assistantLine(R"({"output_tokens":1.5})"),
             replace(R"("type":"assistant")", R"("type":"user")"),
             replace(R"("id":"msg_1",)", ""),
             replace(R"("model":"claude-opus-4-1",)", ""),
             replace("2026-03-01T09:15:05.321Z", "2026-03-01T09:15:05Z"),
             replace(R"("usage")", R"("usage_")"),
             valid.substr(0, valid.size() - 2),
         })
        EXPECT_FALSE(parser.parse(line, std::nullopt)) << line;
}

TEST(ClaudeCodeParser, parses_in_place_when_the_caller_pads_its_buffer)
{
    ClaudeCodeParser parser;
    const std::string line = assistantLine(R"({"output_tokens":42})");
    // Two lines in one buffer as the tailer leaves them, then the padding.
    std::string buffer = line + "\n" + line + "\n" + std::string(transcriptLinePadding, '\0');
    std::string_view second(buffer.data() + line.size() + 1, line.size());
    auto first = parser.parse(PaddedLine{std::string_view(buffer.data(), line.size())}, std::nullopt);
    auto padded = parser.parse(PaddedLine{second}, std::nullopt);
    ASSERT_TRUE(first && padded);
    EXPECT_EQ(padded->usage.output, 42);
    EXPECT_EQ(*first, *padded);
}

TEST(ClaudeCodeParser, a_reused_record_keeps_nothing_of_the_line_before)
{
    ClaudeCodeParser parser;
    const std::string first = assistantLine(R"({"output_tokens":5})");
    std::string second = assistantLine(R"({"input_tokens":2})", "");
    second.replace(second.find("msg_1"), 5, "m2");
    second.replace(second.find("s-1"), 3, "a-much-longer-session-id-than-before");
    const std::string buffer = first + "\n" + second + "\n" + std::string(transcriptLinePadding, '\n');

    UsageRecord reused;
    ASSERT_TRUE(parser.parseInto(PaddedLine{std::string_view(buffer).substr(0, first.size())}, std::nullopt,
                                 Screening::search, reused));
    ASSERT_TRUE(parser.parseInto(PaddedLine{std::string_view(buffer).substr(first.size() + 1, second.size())},
                                 std::nullopt, Screening::passed, reused));
    EXPECT_EQ(reused, *parser.parse(second, std::nullopt));
    EXPECT_EQ(reused.project, std::nullopt);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// A long line as Claude Code writes one content block: `content` is the
// array's inside, `message` may be wrapped to nest the message deeper.
std::string longAssistantLine(const std::string& content, bool stopReason = true)
{
    return R"({"parentUuid":"p","cwd":"/w/app","sessionId":"s-9","message":{"id":"msg_9","type":"message",)"
           R"("role":"assistant","model":"claude-sonnet-4-5","content":[)"
           + content + "]" + (stopReason ? R"(,"stop_reason":null,"stop_sequence":null)" : "")
           + R"(,"usage":{"input_tokens":4,"output_tokens":9}},"type":"assistant","timestamp":"2026-03-01T09:15:05.321Z"})";
}

TEST(ClaudeCodeParser, long_lines_read_the_same_whatever_their_content_blocks_hold)
{
    ClaudeCodeParser parser;
    const std::string filler(4000, 'x');
    const std::string text = R"({"type":"text","text":")" + filler + R"("})";
    // Strings that spell the cut points, and a tool input with its own
    // array followed by "stop_reason" and "usage".
    const std::string lookalikes = R"({"type":"text","text":"\"content\":[ ],\"stop_reason\": )" + filler
                                   + R"("},{"type":"tool_use","id":"t","name":"Edit","input":{"a":[1],"stop_reason":"x",)"
                                     R"("usage":{"output_tokens":500}}})";
    for (const std::string& line : {longAssistantLine(text), longAssistantLine(lookalikes),
                                    longAssistantLine(lookalikes, false), longAssistantLine(text, false)}) {
        auto record = parser.parse(line, std::nullopt);
        ASSERT_TRUE(record) << line.substr(0, 300);
        EXPECT_EQ(record->id, "msg_9");
        EXPECT_EQ(record->usage, (TokenUsage{4, 9, 0, 0, 0, 0}));
        EXPECT_EQ(record->project, "app");
    }

    // A subagent's message inside a progress line bills nothing here.
    const std::string progress = R"({"type":"progress","data":{"message":)" + longAssistantLine(text) + "}}";
    EXPECT_FALSE(parser.parse(progress, std::nullopt));
    // Nor does a long line whose message is not at the top.
    const std::string nested = R"({"type":"assistant","timestamp":"2026-03-01T09:15:05.321Z","wrapped":)"
                               + longAssistantLine(text) + "}";
    EXPECT_FALSE(parser.parse(nested, std::nullopt));
}

// One line per content block, as Claude Code writes a message: the copies
// differ in the block, their own uuid, their parent's and the time, and
// early ones hold back the output count.
std::string blockLine(const std::string& block, const std::string& uuid, const std::string& parent,
                      const std::string& time, const std::string& output = "9", const std::string& id = "msg_7")
{
    return R"({"parentUuid":")" + parent + R"(","cwd":"/w/app","sessionId":"s-7","message":{"id":")" + id
           + R"(","type":"message","role":"assistant","model":"claude-sonnet-4-5","content":[)" + block
           + R"(],"stop_reason":null,"stop_sequence":null,"usage":{"input_tokens":4,"output_tokens":)" + output
           + R"(}},"type":"assistant","uuid":")" + uuid + R"(","timestamp":")" + time + R"("})";
}

TEST(ClaudeCodeParser, tells_the_copies_of_a_billed_message_by_their_bytes)
{
    const std::string text = R"({"type":"text","text":"Looking at the store."})";
    const std::string tool = R"({"type":"tool_use","id":"t1","name":"Read","input":{"file_path":"/w/app/a.c"}})";
    const std::string time = "2026-03-01T09:15:05.321Z";
    const std::string later = "2026-03-01T09:15:07.004Z";
    ClaudeCodeParser parser;
    const std::string first = blockLine(text, "u-0001", "p-0000", time, "3");
    const auto billedRecord = parser.parse(first, std::nullopt);
    ASSERT_TRUE(billedRecord);
    ASSERT_TRUE(parser.lastBilled());
    const ClaudeCodeParser::BilledLine billed = *parser.lastBilled();

    // A copy turns the billed record into exactly what decoding the copy gives.
    for (const std::string& copy : {blockLine(tool, "u-0002", "u-0001", later, "3"),
                                    blockLine(tool, "u-0002", "u-0001", later, "35210"),
                                    blockLine(text, "u-0003", "u-0002", later, "0")}) {
        auto said = ClaudeCodeParser::copyOf(billed, copy);
        ASSERT_TRUE(said) << copy;
        UsageRecord record = *billedRecord;
        ASSERT_TRUE(ClaudeCodeParser::applyCopy(*said, record));
        EXPECT_EQ(parser.parse(copy, std::nullopt), record);
    }

    // Not copies: another message, other counts, a key renamed, free
    // values that end their strings early, a time that does not parse,
    // bytes that might not decode, counts the decoder reads otherwise.
    std::string renamed = first;
    renamed.replace(renamed.find(R"("uuid")"), 6, R"("uuix")");
    std::string moreInput = first;
    moreInput.replace(moreInput.find(R"("input_tokens":4)"), 16, R"("input_tokens":5)");
    for (const std::string& other :
         {blockLine(tool, "u-0002", "u-0001", time, "3", "msg_8"), moreInput, renamed,
          blockLine(tool, R"(u\"002)", "u-0001", time, "3"), blockLine(tool, R"(u","x)", "u-0001", time, "3"),
          blockLine(tool, "u-0002", "u-0001", "2026-03-01T09:15:0x.321Z", "3"),
          blockLine(tool, "u-00\xc3\xa9", "u-0001", time, "3"), blockLine(tool, "u-0002", "u-0001", time, "03"),
          blockLine(tool, "u-0002", "u-0001", time, "-3"), blockLine(tool, "u-0002", "u-0001", time, "3e2"),
          first.substr(0, first.find(R"("content":[)"))}) {
        EXPECT_FALSE(ClaudeCodeParser::copyOf(billed, other)) << other;
    }

    // No model for copies: free values with escapes, or a line read whole.
    ASSERT_TRUE(parser.parse(blockLine(text, R"(u\u0031)", "p-0000", time), std::nullopt));
    EXPECT_FALSE(parser.lastBilled());
    ASSERT_TRUE(parser.parse(longAssistantLine(text, false), std::nullopt));
    EXPECT_FALSE(parser.lastBilled());
    EXPECT_FALSE(parser.parse(blockLine(text, "u-0001", "p-0000", "yesterday"), std::nullopt));
    EXPECT_FALSE(parser.lastBilled());
}

}  // namespace
}  // namespace corvane

