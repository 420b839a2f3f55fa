#include "core/agents/Iso8601.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

double unixSeconds(std::string_view text) { return parseTranscriptTimestamp(text)->unixSeconds(); }

TEST(TranscriptTimestamp, reads_utc_with_milliseconds_and_offsets_to_the_same_instant)
{
    EXPECT_DOUBLE_EQ(unixSeconds("2026-03-01T09:15:02.114Z"), 1772356502.114);
    EXPECT_DOUBLE_EQ(unixSeconds("2026-03-01T11:15:02.114+02:00"), 1772356502.114);
    EXPECT_DOUBLE_EQ(unixSeconds("2026-03-01T03:45:02.114-05:30"), 1772356502.114);
    EXPECT_DOUBLE_EQ(unixSeconds("1970-01-01T00:00:00.5Z"), 0.5);
    EXPECT_DOUBLE_EQ(unixSeconds("2024-02-29T23:59:59.123456789Z"), 1709251199.123456789);
}

TEST(TranscriptTimestamp, refuses_every_other_form)
{
    for (std::string_view text : {
             "2026-03-01T09:15:02Z",             // no fraction
             "2026-03-01T09:15:02.Z",            // empty fraction
             "2026-03-01T09:15:02.1234567890Z",  // more than nanoseconds
             "2026-03-01 09:15:02.114Z",         // space for T
             "2026-03-01t09:15:02.114z",         // lower case
             "2026-03-01T09:15:02.114",          // no zone
             "2026-03-01T09:15:02.114+0200",     // offset without colon
             "2026-03-01T09:15:02.114Z ",        // trailing text
             "2025-02-29T09:15:02.114Z",         // not a leap year
             "2026-13-01T09:15:02.114Z",
             "2026-04-31T09:15:02.114Z",
             "2026-03-01T24:00:00.000Z",
             "2026-03-01T23:59:60.000Z",  // leap second
             "2026-03-01T09:15:02.114+24:00",
             "+026-03-01T09:15:02.114Z",
             "",
         })
        EXPECT_FALSE(parseTranscriptTimestamp(text)) << text;
}

}  // namespace
}  // namespace corvane
