#include <gtest/gtest.h>

#include "core/notch/InboxAction.h"
#include "core/notch/InboxPlan.h"

using namespace corvane;
using Kind = InboxSection::Kind;

namespace {

const Calendar utc = Calendar::utc();
const WallTime now = WallTime::fromUnixSeconds(1773144000);  // 2026-03-10 12:00 UTC
const WallTime lastNight = WallTime::fromUnixSeconds(1773100740);  // 2026-03-09 23:59 UTC
const WallTime lastWeek = now.plusSeconds(-7 * 86400);

const IsTimeSensitive timeSensitive = [](std::string_view kind) {
    return kind == "ai.stuck" || kind == "vitals.lowBattery" || kind == "calendar.meeting";
};

AlertRecord make(std::string kind, std::string moduleID, WallTime date, std::string title = "Something happened",
                 std::optional<AlertRecord::Action> action = std::nullopt)
{
    return AlertRecord{Uuid::random(), std::move(kind), std::move(moduleID), std::move(title), "", date,
                       std::move(action)};
}

std::vector<Kind> kindsOf(const std::vector<InboxSection>& sections)
{
    std::vector<Kind> kinds;
    for (const auto& section : sections)
        kinds.push_back(section.kind);
    return kinds;
}

}  // namespace

TEST(InboxPlan, a_stuck_agent_from_last_night_sits_under_yesterday_not_needs_action)
{
    AlertRecord stuck = make("ai.stuck", "ai", lastNight, "Claude Code");
    EXPECT_FALSE(InboxKinds::needsAction(stuck, now, utc, timeSensitive));
    auto sections = InboxPlan::sections({stuck}, InboxFilter::all, NotificationGrouping::automatic, now, utc,
                                        timeSensitive);
    ASSERT_EQ(kindsOf(sections), std::vector{Kind::yesterday});
    EXPECT_EQ(sections[0].entries[0].app, "Claude Code");
    EXPECT_EQ(title(Kind::yesterday), "YESTERDAY");
}

TEST(InboxPlan, sections_come_in_order_and_needs_action_entries_never_stack)
{
    std::vector<AlertRecord> records = {
        make("calendar.reminder", "calendar", now.plusSeconds(-60), "Pay rent"),
        make("calendar.reminder", "calendar", now.plusSeconds(-120), "Call back"),
        make("docker.exit", "docker", now.plusSeconds(-180)),
        make("docker.exit", "docker", now.plusSeconds(-240)),
        make("keepAwake.awaySummary", "keepAwake", now.plusSeconds(-300), "Codex is waiting for your input."),
        make("brew.outdated", "brew", lastWeek),
    };
    auto sections = InboxPlan::sections(records, InboxFilter::all, NotificationGrouping::automatic, now, utc,
                                        timeSensitive);
    ASSERT_EQ(kindsOf(sections), (std::vector{Kind::needsAction, Kind::earlierToday, Kind::older}));
    ASSERT_EQ(sections[0].entries.size(), 3u);
    EXPECT_EQ(sections[0].entries[0].id, "needs|" + records[0].id.string());
    EXPECT_EQ(sections[0].entries[0].app, "Calendar");
    ASSERT_EQ(sections[1].entries.size(), 1u);
    EXPECT_EQ(sections[1].entries[0].id, "earlierToday|automatic:brand:docker/docker.exit");
    EXPECT_EQ(sections[1].entries[0].app, "Docker");
    EXPECT_TRUE(sections[1].entries[0].isStack());
    EXPECT_EQ(sections[2].entries[0].app, "Homebrew");
}

TEST(InboxPlan, the_dev_filter_falls_back_to_all_once_its_last_record_is_gone)
{
    AlertRecord dev = make("devServers.down", "devServers", now.plusSeconds(-60));
    AlertRecord system = make("vitals.cpuBusy", "vitals", now.plusSeconds(-120));
    InboxCounts before = InboxPlan::counts({dev, system}, now, utc, timeSensitive);
    EXPECT_EQ(before, (InboxCounts{2, 0, 0, 1, 1}));
    EXPECT_EQ(InboxFilters::effective(InboxFilter::dev, before), InboxFilter::dev);
    EXPECT_EQ(InboxFilters::visible(before), (std::vector{InboxFilter::all, InboxFilter::dev, InboxFilter::system}));

    InboxCounts after = InboxPlan::counts({system}, now, utc, timeSensitive);
    EXPECT_EQ(InboxFilters::effective(InboxFilter::dev, after), InboxFilter::all);
    EXPECT_EQ(InboxFilters::visible(after), (std::vector{InboxFilter::all, InboxFilter::system}));
    auto sections = InboxPlan::sections({system}, InboxFilter::dev, NotificationGrouping::automatic, now, utc,
                                        timeSensitive);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].entries[0].top(), system);
}

TEST(InboxPlan, categories_follow_the_module_group)
{
    EXPECT_EQ(InboxCategories::of("ai"), InboxCategory::agents);
    EXPECT_EQ(InboxCategories::of("toolbox"), InboxCategory::dev);
    EXPECT_EQ(InboxCategories::of("git"), InboxCategory::dev);
    EXPECT_EQ(InboxCategories::of("vitals"), InboxCategory::system);
    EXPECT_EQ(InboxCategories::of("calendar"), InboxCategory::system);
    EXPECT_EQ(InboxCategories::of("nonexistent"), InboxCategory::system);
}

TEST(NotificationGroups, a_time_sensitive_record_stands_alone_first_and_the_other_four_stack)
{
    std::vector<AlertRecord> records;
    for (int i = 0; i < 5; ++i)
        records.push_back(make(i == 2 ? "vitals.lowBattery" : "vitals.cpuBusy", "vitals", lastWeek.plusSeconds(-i)));

    auto groups = NotificationGroups::groups(NotificationGrouping::byApp, records, "older", timeSensitive);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].id, "older|ts:" + records[2].id.string());
    EXPECT_TRUE(groups[0].timeSensitive);
    EXPECT_EQ(groups[0].records, std::vector{records[2]});
    EXPECT_EQ(groups[1].id, "older|byApp:tool:vitals");
    EXPECT_EQ(groups[1].title, "Vitals");
    EXPECT_EQ(groups[1].records, (std::vector{records[0], records[1], records[3], records[4]}));
}

TEST(NotificationGroups, keys_depend_on_the_grouping)
{
    AlertRecord busy = make("vitals.cpuBusy", "vitals", now);
    AlertRecord hot = make("vitals.hot", "vitals", now);
    AlertRecord codex = make("ai.finished", "ai", now, "Codex");
    std::vector records = {busy, hot, codex};
    auto ids = [&](NotificationGrouping grouping) {
        std::vector<std::string> out;
        for (const auto& group : NotificationGroups::groups(grouping, records, "earlierToday", timeSensitive))
            out.push_back(group.id);
        return out;
    };
    EXPECT_EQ(ids(NotificationGrouping::automatic),
              (std::vector<std::string>{"earlierToday|automatic:tool:vitals/vitals.cpuBusy",
                                        "earlierToday|automatic:tool:vitals/vitals.hot",
                                        "earlierToday|automatic:brand:codex/ai.finished"}));
    EXPECT_EQ(ids(NotificationGrouping::byApp),
              (std::vector<std::string>{"earlierToday|byApp:tool:vitals", "earlierToday|byApp:brand:codex"}));
    EXPECT_EQ(ids(NotificationGrouping::off),
              (std::vector<std::string>{"earlierToday|off:" + busy.id.string(), "earlierToday|off:" + hot.id.string(),
                                        "earlierToday|off:" + codex.id.string()}));
}

TEST(InboxPlan, focus_rows_show_every_record_of_an_open_stack_and_the_top_of_a_closed_one)
{
    std::vector<AlertRecord> records = {make("docker.exit", "docker", now), make("docker.exit", "docker", now),
                                        make("vitals.hot", "vitals", now)};
    auto sections = InboxPlan::sections(records, InboxFilter::all, NotificationGrouping::automatic, now, utc,
                                        timeSensitive);
    const InboxEntry& stack = sections[0].entries[0];
    EXPECT_EQ(InboxPlan::focusRows(sections, {}),
              (std::vector{InboxPlan::rowID(records[0]), InboxPlan::rowID(records[2])}));
    EXPECT_EQ(InboxPlan::focusRows(sections, {stack.id}),
              (std::vector{InboxPlan::rowID(records[0]), InboxPlan::rowID(records[1]), InboxPlan::rowID(records[2])}));
    EXPECT_NE(InboxPlan::moreID(stack), InboxPlan::rowID(records[0]));
}

TEST(InboxCaption, captions_count_in_words_with_a_middle_dot)
{
    EXPECT_EQ(InboxCaption::text(InboxFilter::all, {}), "Nothing new");
    EXPECT_EQ(InboxCaption::text(InboxFilter::all, {1, 0, 1, 0, 0}), "1 notification");
    EXPECT_EQ(InboxCaption::text(InboxFilter::all, {12, 1, 0, 0, 0}), "12 notifications \u00B7 1 needs action");
    EXPECT_EQ(InboxCaption::text(InboxFilter::needsAction, {12, 3, 0, 0, 0}), "3 need action");
    EXPECT_EQ(InboxCaption::text(InboxFilter::agents, {5, 0, 5, 0, 0}), "5 from agents");
    EXPECT_EQ(InboxCaption::text(InboxFilter::dev, {4, 0, 0, 4, 0}), "4 from dev tools");
    EXPECT_EQ(InboxCaption::text(InboxFilter::system, {2, 0, 0, 0, 2}), "2 from system");
    EXPECT_EQ(InboxCaption::stackLine("Build failed", 3), "Build failed \u00B7 and 3 more");
    EXPECT_EQ(InboxCaption::stackLine("", 1), "and 1 more");
    EXPECT_EQ(InboxFilters::chipTitle(InboxFilter::needsAction, {12, 3, 0, 0, 0}), "Needs action 3");
    EXPECT_EQ(InboxFilters::clearTitle(InboxFilter::all), "Clear all");
    EXPECT_EQ(InboxFilters::clearTitle(InboxFilter::needsAction), "Clear needs action");
}

TEST(InboxAction, the_kind_decides_first_then_the_records_action)
{
    using Action = AlertRecord::Action;
    auto primary = [](AlertRecord record) { return InboxActions::primary(record, now, true); };
    EXPECT_EQ(primary(make("ai.stuck", "ai", now, "x", Action::open("ai"))), InboxAction::openTerminal);
    EXPECT_EQ(primary(make("ai.finished", "ai", now)), InboxAction::details);
    EXPECT_EQ(primary(make("keepAwake.awaySummary", "keepAwake", now, "Claude is waiting for your input.")),
              InboxAction::openTerminal);
    EXPECT_EQ(primary(make("keepAwake.awaySummary", "keepAwake", now, "Welcome back")), InboxAction::details);
    EXPECT_EQ(primary(make("shelf.needsFinder", "shelf", now)), InboxAction::allowFinder);
    EXPECT_EQ(primary(make("docker.exit", "docker", now, "x", Action::containerLogs("web"))), InboxAction::viewLogs);
    EXPECT_EQ(primary(make("disk.appDeleted", "disk", now, "x", Action::cleanUpApp("Editor"))), InboxAction::cleanUp);
    EXPECT_EQ(primary(make("timers.done", "timers", now, "x", Action::restartTimer(5))), InboxAction::restart);
    EXPECT_EQ(primary(make("vitals.diskFull", "vitals", now)), InboxAction::details);

    MeetingLink::Link good{MeetingLink::Service::meet, "https://meet.google.com/abc-defg-hij", std::nullopt};
    MeetingLink::Link tampered{MeetingLink::Service::meet, "https://evil.example/abc-defg-hij", std::nullopt};
    EXPECT_EQ(primary(make("calendar.meeting", "calendar", now, "x", Action::join(good))), InboxAction::join);
    EXPECT_EQ(primary(make("calendar.meeting", "calendar", now, "x", Action::join(tampered))), std::nullopt);
    EXPECT_EQ(title(InboxAction::cleanUp), "Clean up\u2026");
}

TEST(InboxAction, a_reminder_older_than_a_day_offers_no_complete)
{
    auto reminder = [](double age) {
        return make("calendar.reminder", "calendar", now.plusSeconds(-age), "Pay rent",
                    AlertRecord::Action::completeReminder("r1"));
    };
    EXPECT_EQ(InboxActions::primary(reminder(86399), now, true), InboxAction::complete);
    EXPECT_EQ(InboxActions::primary(reminder(86400), now, true), std::nullopt);
    EXPECT_EQ(InboxActions::primary(reminder(60), now, false), std::nullopt);
}
