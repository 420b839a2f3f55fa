#include <gtest/gtest.h>

#include "core/agents/ModelContextWindow.h"

using corvane::ModelContextWindow;

TEST(ModelContextWindow, claude_models_hold_200k_unless_tagged_or_already_past_it)
{
    EXPECT_EQ(ModelContextWindow::tokens("claude-opus-4-7"), 200'000);
    EXPECT_EQ(ModelContextWindow::tokens("claude-sonnet-4-6-20260115", 150'000), 200'000);
    EXPECT_EQ(ModelContextWindow::tokens("Claude-Opus-4-7[1M]"), 1'000'000);
    EXPECT_EQ(ModelContextWindow::tokens("claude-sonnet-4-6[1m]", 10), 1'000'000);
    // Exactly full is still the standard window; one token more proves the larger one.
    EXPECT_EQ(ModelContextWindow::tokens("claude-sonnet-4-6", 200'000), 200'000);
    EXPECT_EQ(ModelContextWindow::tokens("claude-sonnet-4-6", 200'001), 1'000'000);
}

TEST(ModelContextWindow, other_models_have_no_guessed_window)
{
    EXPECT_EQ(ModelContextWindow::tokens("gpt-5-codex"), std::nullopt);
    EXPECT_EQ(ModelContextWindow::tokens("<synthetic>", 300'000), std::nullopt);
    EXPECT_EQ(ModelContextWindow::tokens(""), std::nullopt);
}
