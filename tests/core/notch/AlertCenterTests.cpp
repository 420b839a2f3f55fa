#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "core/notch/AlertCenter.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeAll(const fs::path& path, const std::string& bytes) { std::ofstream(path) << bytes; }

std::vector<fs::path> quarantined(const fs::path& folder)
{
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("alerts.json.corrupt-"))
            out.push_back(entry.path());
    }
    return out;
}

class RecordingHandler final : public AlertActionHandler {
public:
    void perform(InboxAction action, const AlertRecord& record) override { performed.emplace_back(action, record.id); }
    std::vector<std::pair<InboxAction, Uuid>> performed;
};

class AlertCenterTest : public ::testing::Test {
protected:
    std::unique_ptr<AlertCenter> makeCenter(bool persists = true)
    {
        return std::make_unique<AlertCenter>(AlertCenter::Options{folder.path(), persists}, scheduler, clock,
                                             Calendar::utc(), [](std::string_view kind) { return kind == "ai.stuck"; });
    }

    AlertRecord record(std::string kind, std::optional<AlertRecord::Action> action = std::nullopt)
    {
        return AlertRecord{Uuid::random(), std::move(kind), "calendar", "Pay rent", "", clock.now(), std::move(action)};
    }

    corvane::testing::TemporaryFolder folder;
    fs::path file = folder / "alerts.json";
    ManualClock clock{WallTime::fromUnixSeconds(1773144000)};
    ManualScheduler scheduler{clock};
};

}  // namespace

TEST_F(AlertCenterTest, changes_are_saved_once_after_a_quiet_second_and_read_back)
{
    auto center = makeCenter();
    EXPECT_EQ(center->load().state, JsonStoreFile::State::Absent);
    int notified = 0;
    center->addListener([&](const AlertHistory&) { ++notified; });

    center->add(record("calendar.reminder"));
    clock.advance(0.5);
    center->add(record("calendar.meeting"));
    center->markAllRead();
    EXPECT_EQ(notified, 3);
    EXPECT_EQ(scheduler.pendingTimers(), 1u);
    EXPECT_FALSE(fs::exists(file));

    scheduler.advance(1.0);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_FALSE(center->savePending());
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    auto reloaded = makeCenter();
    EXPECT_EQ(reloaded->load().state, JsonStoreFile::State::Parsed);
    EXPECT_EQ(reloaded->history(), center->history());
}

TEST_F(AlertCenterTest, a_blank_file_is_an_empty_history_and_not_corrupt)
{
    writeAll(file, " \n\t\r\n");
    auto center = makeCenter();
    EXPECT_FALSE(center->load().corrupt());
    EXPECT_TRUE(center->history().records.empty());
    EXPECT_TRUE(quarantined(folder.path()).empty());
}

TEST_F(AlertCenterTest, a_corrupt_file_is_moved_aside_and_never_overwritten_by_the_empty_history)
{
    for (const char* garbage : {"{\"records\": [", "[1, 2, 3]"}) {
        for (const auto& entry : fs::directory_iterator(folder.path()))
            fs::remove_all(entry.path());
        writeAll(file, garbage);
        auto center = makeCenter();
        auto report = center->load();
        EXPECT_TRUE(report.corrupt()) << garbage;
        ASSERT_TRUE(report.quarantinedTo);
        EXPECT_EQ(report.quarantinedTo->filename(), "alerts.json.corrupt-20260310-120000");
        EXPECT_EQ(readAll(*report.quarantinedTo), garbage);
        EXPECT_FALSE(fs::exists(file));

        center->add(record("calendar.reminder"));
        ASSERT_TRUE(center->flush());
        EXPECT_EQ(readAll(*report.quarantinedTo), garbage);
        EXPECT_EQ(makeCenter()->load().state, JsonStoreFile::State::Parsed);
    }
}

TEST_F(AlertCenterTest, a_failed_save_keeps_the_history_and_the_next_change_tries_again)
{
    auto center = makeCenter();
    (void)center->load();
    fs::create_directories(file / "in-the-way");  // rename onto a folder fails
    center->add(record("calendar.reminder"));
    scheduler.advance(1.0);
    EXPECT_EQ(center->history().records.size(), 1u);
    EXPECT_TRUE(center->savePending());

    fs::remove_all(file);
    center->add(record("calendar.meeting"));
    scheduler.advance(1.0);
    EXPECT_FALSE(center->savePending());
    EXPECT_EQ(AlertHistory::load(readAll(file)).history, center->history());
}

TEST_F(AlertCenterTest, a_center_that_does_not_persist_never_touches_the_disk)
{
    writeAll(file, "garbage");
    auto center = makeCenter(false);
    (void)center->load();
    center->add(record("calendar.reminder"));
    scheduler.advance(5);
    ASSERT_TRUE(center->flush());
    EXPECT_EQ(readAll(file), "garbage");
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
}

TEST_F(AlertCenterTest, clearing_a_filter_takes_two_presses_and_keeps_last_seen)
{
    auto center = makeCenter(false);
    center->add(record("calendar.reminder"));
    center->add(AlertRecord{Uuid::random(), "ai.finished", "ai", "Codex", "", clock.now(), std::nullopt});
    center->markAllRead();

    EXPECT_EQ(center->pressClear(InboxFilter::agents), AlertCenter::Press::armed);
    EXPECT_EQ(center->armedClear(), InboxFilter::agents);
    EXPECT_EQ(center->pressClear(InboxFilter::agents), AlertCenter::Press::done);
    ASSERT_EQ(center->history().records.size(), 1u);
    EXPECT_EQ(center->history().records[0].kind, "calendar.reminder");

    EXPECT_EQ(center->pressClear(InboxFilter::all), AlertCenter::Press::armed);
    EXPECT_EQ(center->pressClear(InboxFilter::system), AlertCenter::Press::armed);  // another chip re-arms
    EXPECT_EQ(center->pressClear(InboxFilter::system), AlertCenter::Press::done);
    EXPECT_TRUE(center->history().records.empty());
    EXPECT_EQ(center->history().lastSeen, clock.now());
    EXPECT_EQ(center->pressClear(InboxFilter::all), AlertCenter::Press::nothing);
}

TEST_F(AlertCenterTest, completing_a_reminder_is_two_step_and_removes_its_alert_only_on_success)
{
    auto center = makeCenter(false);
    std::vector<std::string> completed;
    bool succeeds = false;
    center->setReminderHandler([&](const std::string& id, ReminderChange change) {
        EXPECT_EQ(change, ReminderChange::complete);
        completed.push_back(id);
        return succeeds;
    });
    AlertRecord reminder = record("calendar.reminder", AlertRecord::Action::completeReminder("r1"));
    center->add(reminder);

    EXPECT_EQ(center->runPrimary(reminder.id), AlertCenter::Press::armed);
    EXPECT_TRUE(completed.empty());
    EXPECT_EQ(center->runPrimary(reminder.id), AlertCenter::Press::failed);
    EXPECT_EQ(completed, std::vector<std::string>{"r1"});
    EXPECT_EQ(center->history().records.size(), 1u);

    succeeds = true;
    EXPECT_EQ(center->runPrimary(reminder.id), AlertCenter::Press::armed);
    EXPECT_EQ(center->runPrimary(reminder.id), AlertCenter::Press::done);
    EXPECT_TRUE(center->history().records.empty());
}

TEST_F(AlertCenterTest, other_primary_actions_go_to_the_handler_at_once)
{
    auto center = makeCenter(false);
    RecordingHandler handler;
    center->setActionHandler(&handler);
    AlertRecord stuck{Uuid::random(), "ai.stuck", "ai", "Claude Code", "", clock.now(), std::nullopt};
    center->add(stuck);
    EXPECT_EQ(center->runPrimary(stuck.id), AlertCenter::Press::done);
    ASSERT_EQ(handler.performed.size(), 1u);
    EXPECT_EQ(handler.performed[0], std::pair(InboxAction::openTerminal, stuck.id));
    EXPECT_EQ(center->runPrimary(Uuid::random()), AlertCenter::Press::nothing);
}
