#include "core/agents/JsonHead.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

std::optional<std::string_view> typeOf(std::string_view text)
{
    auto found = leadingString(text, "type");
    if (found) {
        EXPECT_EQ(text[found->end - 1], '"') << text;
    }
    return found ? std::optional(found->value) : std::nullopt;
}

TEST(JsonHead, reads_a_string_behind_scalar_members_escaped_strings_included)
{
    EXPECT_EQ(typeOf(R"({"type":"event_msg","payload":{}})"), "event_msg");
    EXPECT_EQ(typeOf(R"({"timestamp":"2026-03-01T10:00:12.250Z","type":"turn_context"})"), "turn_context");
    EXPECT_EQ(typeOf(R"({"n":-1.5E+3,"ok":true,"none":null,"type":"x"})"), "x");
    // A quote escaped inside a value passed over does not end it.
    EXPECT_EQ(typeOf(R"({"cwd":"C:\\dir\"q\\","type":"user","message":{}})"), "user");
    // Only the first member of the name counts.
    EXPECT_EQ(typeOf(R"({"type":"response_item","type":"event_msg"})"), "response_item");
    // Names compare as written, like the decoder compares them.
    EXPECT_EQ(typeOf(R"({"typ\u0065":"a","type":"b"})"), "b");
    auto found = leadingString(R"({"a":1,"type":"b","c":2})", "type");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->end, 17u);
}

TEST(JsonHead, gives_no_answer_for_anything_but_compact_scalar_members)
{
    for (std::string_view text : {
             R"({"payload":{"type":"token_count"},"type":"event_msg"})",  // an object first
             R"({"list":[1],"type":"x"})",                                // an array first
             R"({"type":"a\u0020b"})",                                    // the value has an escape
             R"({"type":null})",                                          // not a string
             R"({"type": "x"})",                                          // white space
             R"( {"type":"x"})",
             R"({"a":1 ,"type":"x"})",
             R"({"a":"b"})",  // the object ends first
             R"({"a":"b")",
             R"({"type":"unterminated)",
             R"({"a":)",
             R"({"a":1"type":"x"})",
             R"(["type","x"])",
             "",
         })
        EXPECT_FALSE(typeOf(text)) << text;
}

}  // namespace
}  // namespace corvane
