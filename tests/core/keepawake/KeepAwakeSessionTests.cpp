#include <gtest/gtest.h>

#include "core/keepawake/KeepAwakeSession.h"

using namespace corvane;

namespace {

const WallTime start = WallTime::fromUnixSeconds(1772356500);

KeepAwakeSession timer(double seconds)
{
    return KeepAwakeSession{KeepAwakeMode::duration(seconds), start};
}

bool alive(std::int32_t pid) { return pid == 42; }

}  // namespace

TEST(KeepAwakeSession, a_timer_label_rounds_the_seconds_up)
{
    // 59 min 58.2 s left shows 59:59; 59 min 59.2 s rounds up to a whole hour.
    EXPECT_EQ(timer(3600).earLabel(start.plusSeconds(1.8)), "59:59");
    EXPECT_EQ(timer(3600).earLabel(start.plusSeconds(0.8)), "1:00:00");
    EXPECT_EQ(timer(7200).earLabel(start.plusSeconds(1)), "1:59:59");
    EXPECT_EQ(timer(900).earLabel(start.plusSeconds(890.5)), "00:10");
    EXPECT_EQ(timer(900).earLabel(start.plusSeconds(5000)), "00:00");
    EXPECT_EQ((KeepAwakeSession{KeepAwakeMode::whileProcess(42, "cargo"), start}.earLabel(start)), "cargo");
    EXPECT_EQ((KeepAwakeSession{KeepAwakeMode::indefinite(), start}.earLabel(start)), "∞");
    EXPECT_EQ((KeepAwakeSession{KeepAwakeMode::whileDevServers(), start}.earLabel(start)), "dev");
}

TEST(KeepAwakeSession, a_clock_set_back_never_lengthens_a_timer)
{
    EXPECT_EQ(timer(900).remaining(start.plusSeconds(-3600)), 900);
    EXPECT_EQ(timer(900).remaining(start.plusSeconds(300)), 600);
    EXPECT_EQ(timer(900).remaining(start.plusSeconds(901)), 0);
    EXPECT_EQ((KeepAwakeSession{KeepAwakeMode::indefinite(), start}.remaining(start)), std::nullopt);
}

TEST(KeepAwakeSession, each_mode_ends_on_its_own_condition)
{
    EXPECT_FALSE(timer(900).isExpired(start.plusSeconds(899), alive, false));
    EXPECT_TRUE(timer(900).isExpired(start.plusSeconds(900), alive, false));
    EXPECT_FALSE((KeepAwakeSession{KeepAwakeMode::whileProcess(42, "cargo"), start}.isExpired(start, alive, false)));
    EXPECT_TRUE((KeepAwakeSession{KeepAwakeMode::whileProcess(43, "cargo"), start}.isExpired(start, alive, false)));
    // A pid below 1 ends at the first check, whatever the liveness check says.
    EXPECT_TRUE((KeepAwakeSession{KeepAwakeMode::whileProcess(0, "x"), start}.isExpired(start, [](auto) { return true; },
                                                                                        false)));
    EXPECT_FALSE((KeepAwakeSession{KeepAwakeMode::indefinite(), start}.isExpired(start.plusSeconds(1e9), alive, false)));
    EXPECT_FALSE((KeepAwakeSession{KeepAwakeMode::whileDevServers(), start}.isExpired(start, alive, true)));
    EXPECT_TRUE((KeepAwakeSession{KeepAwakeMode::whileDevServers(), start}.isExpired(start, alive, false)));
}

TEST(KeepAwakeSession, modes_are_stored_as_one_key_naming_the_case)
{
    EXPECT_EQ(KeepAwakeMode::duration(900).toJson().dump(), R"({"duration":{"_0":900.0}})");
    EXPECT_EQ(KeepAwakeMode::whileProcess(412, "cargo").toJson().dump(), R"({"whileProcess":{"name":"cargo","pid":412}})");
    EXPECT_EQ(KeepAwakeMode::indefinite().toJson().dump(), R"({"indefinite":{}})");
    EXPECT_EQ(KeepAwakeMode::whileDevServers().toJson().dump(), R"({"whileDevServers":{}})");
    for (const auto& mode : {KeepAwakeMode::duration(1800.5), KeepAwakeMode::whileProcess(-1, "x"),
                             KeepAwakeMode::indefinite(), KeepAwakeMode::whileDevServers()}) {
        KeepAwakeSession session{mode, start};
        EXPECT_EQ(KeepAwakeSession::fromJson(session.toJson()), session);
    }
    for (const char* bad : {R"({"duration":{}})", R"({"forever":{}})", R"({"whileProcess":{"pid":1e12,"name":"x"}})",
                            R"({"indefinite":{},"duration":{"_0":1}})", R"("indefinite")"})
        EXPECT_FALSE(KeepAwakeMode::fromJson(nlohmann::json::parse(bad))) << bad;
    EXPECT_NE(KeepAwakeMode::whileProcess(1, "a"), KeepAwakeMode::whileProcess(1, "A"));
}
