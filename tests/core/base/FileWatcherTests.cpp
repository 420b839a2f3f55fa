// These tests use the real kernel: inotify on a temporary folder.

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "core/base/FileWatcher.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::FileWatcher;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

// Keeps every batch the watcher delivers; a test waits for the one it expects.
class Batches {
public:
    FileWatcher::Callback callback()
    {
        return [this](const FileWatcher::Changes& changes) {
            std::unique_lock lock(mutex_);
            batches_.push_back(changes);
            changed_.notify_all();
            // A test may hold the watcher's thread here so the kernel's queue fills.
            changed_.wait(lock, [this] { return !held_; });
        };
    }

    bool waitFor(const std::function<bool(const FileWatcher::Changes&)>& wanted,
                 std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] {
            for (const auto& batch : batches_)
                if (wanted(batch))
                    return true;
            return false;
        });
    }

    bool reported(const fs::path& file)
    {
        return waitFor([&](const FileWatcher::Changes& batch) {
            return std::find(batch.files.begin(), batch.files.end(), file) != batch.files.end();
        });
    }

    void hold(bool held)
    {
        std::lock_guard lock(mutex_);
        held_ = held;
        changed_.notify_all();
    }

    std::vector<FileWatcher::Changes> all()
    {
        std::lock_guard lock(mutex_);
        return batches_;
    }

    void clear()
    {
        std::lock_guard lock(mutex_);
        batches_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<FileWatcher::Changes> batches_;
    bool held_ = false;
};

void append(const fs::path& file, const std::string& line)
{
    std::ofstream(file, std::ios::app) << line << '\n';
}

std::unique_ptr<FileWatcher> watch(const fs::path& root, Batches& batches, int depth = 8)
{
    auto watcher = FileWatcher::start({{{root, depth}}, 0.05, "test"}, batches.callback());
    EXPECT_TRUE(watcher);
    return std::move(*watcher);
}

}  // namespace

TEST(FileWatcher, files_in_a_new_sub_folder_are_reported_with_it_and_after_it)
{
    TemporaryFolder folder;
    Batches batches;
    auto watcher = watch(folder.path(), batches);

    // The folder and its first file may land before the watch on the folder exists.
    fs::create_directories(folder / "project/session");
    append(folder / "project/session/a.jsonl", "{}");
    EXPECT_TRUE(batches.reported(folder / "project/session/a.jsonl"));

    append(folder / "project/session/b.jsonl", "{}");
    EXPECT_TRUE(batches.reported(folder / "project/session/b.jsonl"));
}

TEST(FileWatcher, many_writes_within_the_latency_arrive_as_one_batch_and_hidden_names_are_left_out)
{
    TemporaryFolder folder;
    Batches batches;
    auto watcher = FileWatcher::start({{{folder.path(), 1}}, 0.3, "test"}, batches.callback());
    ASSERT_TRUE(watcher);

    for (int line = 0; line < 20; ++line)
        append(folder / "t.jsonl", "{\"n\":" + std::to_string(line) + "}");
    append(folder / ".claude-1-2.json.tmp", "{}");
    ASSERT_TRUE(batches.reported(folder / "t.jsonl"));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const std::vector<FileWatcher::Changes> one{{{folder / "t.jsonl"}, false}};
    EXPECT_EQ(batches.all(), one);
}

TEST(FileWatcher, a_root_created_later_is_picked_up_and_reported_whole)
{
    TemporaryFolder folder;
    fs::path root = folder / "config/projects";
    Batches batches;
    auto watcher = watch(root, batches);

    fs::create_directories(root / "-home-me-app");
    EXPECT_TRUE(batches.waitFor([](const FileWatcher::Changes& batch) { return batch.everything; }));
    append(root / "-home-me-app/s.jsonl", "{}");
    EXPECT_TRUE(batches.reported(root / "-home-me-app/s.jsonl"));

    // Removed and made again, it is waited for and picked up once more.
    fs::remove_all(folder / "config");
    batches.clear();
    fs::create_directories(root);
    EXPECT_TRUE(batches.waitFor([](const FileWatcher::Changes& batch) { return batch.everything; }));
    append(root / "again.jsonl", "{}");
    EXPECT_TRUE(batches.reported(root / "again.jsonl"));

    // Made again before the watcher read the removal (its thread held in a
    // delivery meanwhile): the new folder is watched all the same.
    batches.hold(true);
    append(root / "held.jsonl", "{}");
    ASSERT_TRUE(batches.reported(root / "held.jsonl"));
    fs::remove_all(folder / "config");
    fs::create_directories(root);
    batches.clear();
    batches.hold(false);
    EXPECT_TRUE(batches.waitFor([](const FileWatcher::Changes& batch) { return batch.everything; }));
    append(root / "third.jsonl", "{}");
    EXPECT_TRUE(batches.reported(root / "third.jsonl"));
}

TEST(FileWatcher, a_root_made_and_removed_over_and_over_while_it_is_being_watched_ends_up_watched)
{
    TemporaryFolder folder;
    fs::path root = folder / "a/b/c/projects";
    Batches batches;
    auto watcher = watch(root, batches);

    // Each round races the watcher's look for the nearest existing parent.
    for (int round = 0; round < 300; ++round) {
        fs::create_directories(root);
        fs::remove_all(folder / "a");
    }
    fs::create_directories(root);
    append(root / "last.jsonl", "{}");
    EXPECT_TRUE(batches.reported(root / "last.jsonl"));
}

TEST(FileWatcher, an_overflowing_kernel_queue_reports_everything_and_watching_goes_on)
{
    TemporaryFolder folder;
    Batches batches;
    auto watcher = watch(folder.path(), batches);

    // Hold the watcher in its first delivery while far more events than the
    // kernel queues (16384 by default) pile up.
    batches.hold(true);
    append(folder / "first", "x");
    ASSERT_TRUE(batches.reported(folder / "first"));
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    fs::create_directories(folder / "late");
    for (int file = 0; file < queued / 2 + 100; ++file)
        std::ofstream(folder / ("f" + std::to_string(file)));
    batches.hold(false);

    EXPECT_TRUE(batches.waitFor([](const FileWatcher::Changes& batch) { return batch.everything; }));
    // The folder made while events were lost is watched after the overflow.
    append(folder / "late/after.jsonl", "{}");
    EXPECT_TRUE(batches.reported(folder / "late/after.jsonl"));
}

TEST(FileWatcher, a_root_removed_while_events_were_lost_is_watched_again_when_it_comes_back)
{
    TemporaryFolder folder;
    fs::path root = folder / "projects";
    fs::create_directories(root / "app");
    Batches batches;
    auto watcher = watch(root, batches);

    // The removal's events come after the queue is full, so they are lost.
    batches.hold(true);
    append(root / "first", "x");
    ASSERT_TRUE(batches.reported(root / "first"));
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    for (int file = 0; file < queued / 2 + 100; ++file)
        std::ofstream(root / ("f" + std::to_string(file)));
    fs::remove_all(root);
    batches.clear();
    batches.hold(false);
    ASSERT_TRUE(batches.waitFor([](const FileWatcher::Changes& batch) { return batch.everything; }));

    batches.clear();
    fs::create_directories(root / "app");
    EXPECT_TRUE(batches.waitFor([](const FileWatcher::Changes& batch) { return batch.everything; }));
    append(root / "app/after.jsonl", "{}");
    EXPECT_TRUE(batches.reported(root / "app/after.jsonl"));
}

TEST(FileWatcher, folders_deeper_than_the_depth_are_not_watched)
{
    TemporaryFolder folder;
    Batches batches;
    fs::create_directories(folder / "a/b");
    auto watcher = watch(folder.path(), batches, 1);

    append(folder / "a/b/deep.jsonl", "{}");
    append(folder / "a/shallow.jsonl", "{}");
    ASSERT_TRUE(batches.reported(folder / "a/shallow.jsonl"));
    EXPECT_FALSE(batches.waitFor([&](const FileWatcher::Changes& batch) {
        return std::find(batch.files.begin(), batch.files.end(), folder / "a/b/deep.jsonl") != batch.files.end();
    }, std::chrono::milliseconds(200)));
}
