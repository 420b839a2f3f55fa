#include <gtest/gtest.h>

#include "core/keepawake/KeepAwakeMetrics.h"
#include "core/keepawake/KeepAwakeRecap.h"
#include "core/keepawake/KeepAwakeWeeklySummary.h"

using namespace corvane;
using Event = KeepAwakeLogEntry::Event;
using Kind = KeepAwakeRecap::Row::Kind;

namespace {

const WallTime night = WallTime::fromUnixSeconds(1772323200);  // 2026-03-01 00:00 UTC
const Calendar utc = Calendar::utc();

KeepAwakeLogEntry at(double minutes, Event event, std::string reason = {})
{
    return KeepAwakeLogEntry{night.plusSeconds(minutes * 60), event, std::move(reason), std::nullopt};
}

std::vector<std::string> texts(const KeepAwakeRecap& recap)
{
    std::vector<std::string> out;
    for (const auto& row : recap.rows)
        out.push_back(row.text);
    return out;
}

}  // namespace

TEST(KeepAwakeRecap, tells_what_finished_while_the_lid_was_closed)
{
    std::vector<KeepAwakeLogEntry> log{
        at(0, Event::autoHold, "agents and builds"),
        at(1, Event::closedLidOn, "closed lid"),
        at(5, Event::lidClosed, "claude"),
        at(47.5, Event::workDone, "claude"),
        at(48, Event::workDone, "claude"),
        at(52, Event::closedLidOff, "closed lid"),
        at(53, Event::slept),
        at(300, Event::woke),
        at(301, Event::lidOpened),
        at(400, Event::slept),  // after the lid opened: not part of this recap
    };
    auto recap = KeepAwakeRecap::build(log, night.plusSeconds(301 * 60), utc);
    ASSERT_TRUE(recap);
    EXPECT_EQ(recap->closedAt, night.plusSeconds(300));
    EXPECT_EQ(texts(*recap), (std::vector<std::string>{"Lid closed", "Kept running with the lid closed",
                                                       "claude finished (43 min)", "Computer went to sleep"}));
    EXPECT_EQ(recap->rows[2].kind, Kind::finished);
    EXPECT_EQ(recap->summary, "claude finished at 00:48, then your computer slept. Nothing was cut off.");

    log.erase(log.begin() + 6);  // the computer stayed awake after the work
    EXPECT_EQ(KeepAwakeRecap::build(log, night.plusSeconds(301 * 60), utc)->summary,
              "claude finished at 00:48. Nothing was cut off.");
}

TEST(KeepAwakeRecap, a_guarded_stop_is_the_outcome_and_quiet_nights_read_plainly)
{
    std::vector<KeepAwakeLogEntry> stopped{
        at(0, Event::lidClosed, "cargo"),
        at(0.5, Event::closedLidOn, "closed lid"),
        at(125, Event::guardrail, "battery"),
        at(126, Event::slept),
    };
    auto recap = KeepAwakeRecap::build(stopped, night.plusSeconds(9000), utc);
    ASSERT_TRUE(recap);
    EXPECT_EQ(texts(*recap), (std::vector<std::string>{"Lid closed", "Kept running with the lid closed",
                                                       "Stopped — battery low", "Computer went to sleep"}));
    EXPECT_EQ(recap->summary, "Lunebox stopped at 02:05 (battery low) and let your computer sleep.");

    std::vector<KeepAwakeLogEntry> held{at(0, Event::closedLidOn), at(1, Event::lidClosed, "codex")};
    EXPECT_EQ(KeepAwakeRecap::build(held, night.plusSeconds(7200), utc)->summary, "codex kept running the whole time.");
    std::vector<KeepAwakeLogEntry> slept{at(1, Event::lidClosed), at(2, Event::slept)};
    EXPECT_EQ(KeepAwakeRecap::build(slept, night.plusSeconds(7200), utc)->summary, "Work was working.");

    // Only a closed lid makes a recap.
    EXPECT_EQ(KeepAwakeRecap::build({at(0, Event::slept), at(60, Event::woke)}, night.plusSeconds(7200), utc),
              std::nullopt);
}

TEST(KeepAwakeWeeklySummary, adds_up_each_family_inside_the_week)
{
    const WallTime now = night.plusSeconds(7 * 86400);
    KeepAwakeLog log;
    log.entries = {
        at(-60, Event::started, "∞"),               // began before the week
        at(60, Event::stopped, "manual"),           // 60 min inside it
        at(120, Event::autoHold, "agents and builds"),
        at(150, Event::autoHold, "agents and builds"),  // already holding
        at(180, Event::workDone, "claude"),         // 60 min
        at(200, Event::closedLidOn, "closed lid"),
        at(210, Event::started, "30:00"),
        at(230, Event::guardrail, "thermal"),       // ends both: 30 + 20 min
        at(240, Event::closedLidOff, "closed lid"), // nothing open any more
        at(7 * 1440 - 60, Event::autoHold, "org.videolan.VLC"),  // still open: runs until now, 60 min
    };
    // Entries out of order are sorted first.
    std::swap(log.entries[0], log.entries[3]);
    auto summary = KeepAwakeWeeklySummary::of(log, now);
    EXPECT_EQ(summary, (KeepAwakeWeeklySummary{(60 + 20) * 60.0, (60 + 60) * 60.0, 30 * 60.0}));
}

TEST(KeepAwakeMetrics, blocks_give_way_one_at_a_time_when_the_panel_is_short)
{
    using namespace KeepAwakeMetrics;
    // Idle: status, flow, choice, keep now, safety = 110 + 46 + 66 + 28 + 16 + 4 gaps of 12 = 314.
    Layout idle = layout(Mode::idle(), false, 500, false);
    EXPECT_EQ(idle.height, 316);  // rounded up to a multiple of 4
    EXPECT_TRUE(idle.flow && idle.choice && idle.keepNow && idle.safety);
    Layout squeezed = layout(Mode::idle(), false, 300, false);
    EXPECT_FALSE(squeezed.safety);
    EXPECT_TRUE(squeezed.flow);
    EXPECT_EQ(squeezed.height, 288);

    // Six holders show four rows; a short panel takes rows away before anything else.
    Layout holding = layout(Mode::holding(6), true, 1000, true);
    EXPECT_EQ(holding.holderRows, 4);
    EXPECT_EQ(holding.hiddenHolders, 2);
    EXPECT_EQ(holding.height, 416);  // 44 + 110 + (4 × 24 + 16) + 44 + 28 + 16 + 5 gaps = 414
    Layout tight = layout(Mode::holding(6), true, 381, true);  // the budget rounds down to 380
    EXPECT_EQ(tight.holderRows, 2);
    EXPECT_EQ(tight.hiddenHolders, 4);
    EXPECT_TRUE(tight.safety);

    Layout tiny = layout(Mode::recap(5), false, 100, false);
    EXPECT_EQ(tiny.recapRows, 1);
    EXPECT_TRUE(tiny.overflows);

    RadarLayout radar = KeepAwakeMetrics::radar(0, 0, 1000);
    EXPECT_EQ(radar.height, 276);  // 64 + 30 + 128 + 52 = 274
    RadarLayout crowded = KeepAwakeMetrics::radar(1, 20, 400);
    EXPECT_EQ(crowded.otherRows + crowded.hiddenOthers, 20);
    EXPECT_LE(crowded.height, 400);
    EXPECT_FALSE(crowded.overflows);
    EXPECT_TRUE(KeepAwakeMetrics::radar(8, 3, 200).overflows);
}
