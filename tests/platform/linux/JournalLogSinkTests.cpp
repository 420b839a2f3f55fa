#include <filesystem>

#include <gtest/gtest.h>

#include "platform/linux/JournalLogSink.h"

using namespace corvane;

TEST(JournalLogSink, without_a_journal_lines_go_to_standard_error)
{
    if (std::filesystem::exists(platform::JournalLogSink::journalSocket))
        GTEST_SKIP() << "a journal is running here; its lines do not reach standard error";
    platform::JournalLogSink sink;
    ::testing::internal::CaptureStderr();
    sink.write(LogLevel::Warning, "migration", "2 prefs copied");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "lunebox[migration] warning: 2 prefs copied\n");
}
