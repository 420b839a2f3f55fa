// Key combinations in the desktop portal's trigger syntax.

#include <gtest/gtest.h>

#include "platform/GlobalHotkeys.h"

using corvane::platform::KeyCombination;

TEST(KeyCombination, reads_the_portal_trigger_syntax_and_refuses_what_it_cannot_grab)
{
    auto parsed = KeyCombination::parse("LOGO+alt+A");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->modifiers, KeyCombination::logo | KeyCombination::alt);
    EXPECT_EQ(parsed->keysym, std::uint32_t('a'));
    EXPECT_EQ(parsed->text(), "Alt+Super+A");
    EXPECT_EQ(KeyCombination::parse("CTRL+SHIFT+F12")->text(), "Ctrl+Shift+F12");
    EXPECT_EQ(KeyCombination::parse("Return")->keysym, 0xff0du);
    for (const char* refused : {"", "CTRL+", "CTRL+CTRL+a", "HYPER+a", "CTRL+F0", "CTRL+F36", "CTRL+ab", "a+CTRL"})
        EXPECT_FALSE(KeyCombination::parse(refused)) << refused;
}
