#include <gtest/gtest.h>

#include "closedlid/ClosedLidRecords.h"
#include "closedlid/LineChannel.h"

namespace corvane {
namespace {

const WallTime t0 = WallTime::fromReferenceSeconds(800'000'000.5);

ClosedLidHelperStatus fullStatus()
{
    ClosedLidHelperStatus status;
    status.ok = false;
    status.holding = true;
    status.sleepDisabled = true;
    status.hold = LidHold{t0, t0.plusSeconds(120), t0.plusSeconds(3600), 120, 15};
    status.lastStop = LidStopReason::launchCleanup;
    status.message = "No hold to renew";
    status.leftByUs = true;
    return status;
}

TEST(ClosedLidHelperStatus, survives_a_round_trip_with_and_without_its_optional_fields)
{
    auto full = fullStatus();
    EXPECT_EQ(ClosedLidHelperStatus::decode(full.encoded()), full);

    ClosedLidHelperStatus minimal;
    minimal.ok = true;
    EXPECT_EQ(minimal.encoded(), R"({"helperVersion":1,"holding":false,"ok":true,"sleepDisabled":false})");
    EXPECT_EQ(ClosedLidHelperStatus::decode(minimal.encoded()), minimal);
}

TEST(ClosedLidHelperStatus, dates_are_seconds_since_2001_under_the_field_names)
{
    auto json = fullStatus().encoded();
    EXPECT_NE(json.find(R"("hold":{"batteryFloor":15,"deadline":800003600.5,"leaseSeconds":120,)"
                        R"("leaseUntil":800000120.5,"startedAt":800000000.5})"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"("lastStop":"launchCleanup")"), std::string::npos);
}

TEST(ClosedLidHelperStatus, refuses_what_is_not_a_status_and_keeps_another_version)
{
    EXPECT_EQ(ClosedLidHelperStatus::decode("not json"), std::nullopt);
    EXPECT_EQ(ClosedLidHelperStatus::decode("[1,2]"), std::nullopt);
    EXPECT_EQ(ClosedLidHelperStatus::decode(R"({"helperVersion":1,"ok":true,"holding":false})"), std::nullopt);
    EXPECT_EQ(ClosedLidHelperStatus::decode(R"({"helperVersion":"1","ok":true,"holding":false,"sleepDisabled":false})"),
              std::nullopt);

    std::string padded = fullStatus().encoded();
    padded.insert(padded.size() - 1, std::string(",\"pad\":\"") + std::string(closedLidLineCap, 'x') + "\"");
    EXPECT_EQ(ClosedLidHelperStatus::decode(padded), std::nullopt);

    auto older = ClosedLidHelperStatus::decode(R"({"helperVersion":0,"ok":true,"holding":false,"sleepDisabled":false,)"
                                               R"("lastStop":"meteor","hold":{"startedAt":1}})");
    ASSERT_TRUE(older);
    EXPECT_EQ(older->helperVersion, 0);
    EXPECT_EQ(older->lastStop, std::nullopt);
    EXPECT_EQ(older->hold, std::nullopt);
}

TEST(ClosedLidHelperStatus, a_hold_whose_lease_passes_its_deadline_is_not_read)
{
    auto status = fullStatus();
    status.hold->leaseUntil = status.hold->deadline.plusSeconds(1);
    auto decoded = ClosedLidHelperStatus::decode(status.encoded());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->hold, std::nullopt);
}

TEST(ClosedLidRequest, every_request_survives_a_round_trip)
{
    for (ClosedLidRequest::Kind kind : {ClosedLidRequest::Kind{ClosedLidRequest::Hold{{120, 3600, 15}}},
                                        ClosedLidRequest::Kind{ClosedLidRequest::Renew{}},
                                        ClosedLidRequest::Kind{ClosedLidRequest::Release{}},
                                        ClosedLidRequest::Kind{ClosedLidRequest::Status{}}}) {
        ClosedLidRequest request{ClosedLidHelperVersion, kind};
        EXPECT_EQ(ClosedLidRequest::decode(request.encoded()), request) << request.encoded();
    }
}

TEST(ClosedLidRequest, unknown_or_incomplete_requests_are_not_read)
{
    EXPECT_EQ(ClosedLidRequest::decode(R"({"version":1,"request":"format"})"), std::nullopt);
    EXPECT_EQ(ClosedLidRequest::decode(R"({"version":1,"request":"hold","leaseSeconds":120})"), std::nullopt);
    EXPECT_EQ(ClosedLidRequest::decode(R"({"request":"status"})"), std::nullopt);
    EXPECT_EQ(ClosedLidRequest::decode(R"({"version":1,"request":"hold","leaseSeconds":1.5,)"
                                       R"("hardDeadlineSeconds":60,"batteryFloor":5})"),
              std::nullopt);
    auto future = ClosedLidRequest::decode(R"({"version":7,"request":"status"})");
    ASSERT_TRUE(future);
    EXPECT_EQ(future->version, 7);
}

TEST(LidHoldRecord, keeps_the_hold_and_the_prior_value)
{
    LidHoldRecord record{fullStatus().hold, true};
    EXPECT_EQ(LidHoldRecord::decode(record.encoded()), record);
    EXPECT_EQ(LidHoldRecord::decode("{}"), LidHoldRecord{});
    EXPECT_EQ(LidHoldRecord::decode("7"), std::nullopt);
}

TEST(LineBuffer, cuts_lines_as_they_complete_and_flags_an_endless_one)
{
    LineBuffer buffer(8);
    buffer.append("abc");
    EXPECT_EQ(buffer.nextLine(), std::nullopt);
    buffer.append("\ndef\n12");
    EXPECT_EQ(buffer.nextLine(), "abc");
    EXPECT_EQ(buffer.nextLine(), "def");
    EXPECT_EQ(buffer.nextLine(), std::nullopt);
    EXPECT_FALSE(buffer.overflowed());
    buffer.append("3456789");
    EXPECT_TRUE(buffer.overflowed());

    LineBuffer longLine(4);
    longLine.append("123456\nok\n");
    EXPECT_EQ(longLine.nextLine(), std::nullopt);
    EXPECT_TRUE(longLine.overflowed());
}

}  // namespace
}  // namespace corvane
