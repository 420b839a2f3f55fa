// Global shortcuts on a private Xvfb: the test's own client types through
// the XTEST extension, as a keyboard would, and grabs keys as another
// program would.

#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include "platform/linux/X11GlobalHotkeys.h"
#include "tests/platform/PrivateBus.h"
#include "tests/platform/Xvfb.h"

using corvane::platform::GlobalHotkeys;
using corvane::platform::KeyCombination;
using corvane::platform::X11GlobalHotkeys;
using corvane::testing::waitUntil;
using corvane::testing::Xvfb;

namespace {

constexpr xcb_keysym_t altL = 0xffe9;
constexpr xcb_keysym_t superL = 0xffeb;
constexpr xcb_keysym_t controlL = 0xffe3;
constexpr xcb_keysym_t numLock = 0xff7f;

// A keyboard and another program on the same server.
class Keyboard {
public:
    explicit Keyboard(const QString& display)
    {
        int screen = 0;
        connection_ = xcb_connect(display.toLatin1().constData(), &screen);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        symbols_ = xcb_key_symbols_alloc(connection_);
    }
    ~Keyboard()
    {
        xcb_key_symbols_free(symbols_);
        xcb_disconnect(connection_);
    }

    // Presses the keys in order and lets them go in reverse.
    void type(const std::vector<xcb_keysym_t>& keys)
    {
        for (xcb_keysym_t key : keys)
            fake(XCB_KEY_PRESS, key);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            fake(XCB_KEY_RELEASE, *key);
        sync();
    }

    // True when the server let this client grab the combination.
    bool grab(std::uint16_t modifiers, xcb_keysym_t key)
    {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(connection_, 1, root_, modifiers, code(key),
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_keycode_t code(xcb_keysym_t key)
    {
        std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(xcb_key_symbols_get_keycode(symbols_, key),
                                                                   &std::free);
        return codes ? *codes : 0;
    }
    void fake(std::uint8_t type, xcb_keysym_t key)
    {
        xcb_test_fake_input(connection_, type, code(key), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    void sync() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_key_symbols_t* symbols_;
};

class X11GlobalHotkeysOnXvfb : public ::testing::Test {
protected:
    void SetUp() override
    {
        corvane::testing::ensureApplication();
        if (!Xvfb::isInstalled())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(server.isRunning());
    }

    Xvfb server;
};

}  // namespace

TEST_F(X11GlobalHotkeysOnXvfb, a_grabbed_combination_calls_back_on_its_press_whatever_num_lock_says)
{
    X11GlobalHotkeys hotkeys(server.display().toLatin1().constData());
    ASSERT_TRUE(hotkeys.isConnected());
    Keyboard keyboard(server.display());
    int presses = 0;
    ASSERT_EQ(hotkeys.add("auto", *KeyCombination::parse("LOGO+ALT+a"), [&] { ++presses; }), GlobalHotkeys::Grab::grabbed);

    keyboard.type({altL, superL, 'a'});
    EXPECT_TRUE(waitUntil([&] { return presses == 1; }));
    // The key alone, or with one modifier short, is not the combination.
    keyboard.type({'a'});
    keyboard.type({altL, 'a'});
    keyboard.type({numLock});
    keyboard.type({altL, superL, 'a'});
    EXPECT_TRUE(waitUntil([&] { return presses == 2; }));
    keyboard.type({numLock});
    EXPECT_EQ(presses, 2);

    // Registering the name again moves it to the new combination.
    ASSERT_EQ(hotkeys.add("auto", *KeyCombination::parse("CTRL+ALT+a"), [&] { presses += 10; }),
              GlobalHotkeys::Grab::grabbed);
    keyboard.type({altL, superL, 'a'});
    keyboard.type({controlL, altL, 'a'});
    EXPECT_TRUE(waitUntil([&] { return presses == 12; }));
}

TEST_F(X11GlobalHotkeysOnXvfb, a_combination_another_program_holds_is_reported_taken_until_it_lets_go)
{
    Keyboard other(server.display());
    ASSERT_TRUE(other.grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 'k'));
    X11GlobalHotkeys hotkeys(server.display().toLatin1().constData());
    ASSERT_TRUE(hotkeys.isConnected());
    EXPECT_EQ(hotkeys.add("stop", *KeyCombination::parse("CTRL+ALT+k"), [] {}), GlobalHotkeys::Grab::taken);
    // Nothing of the refused combination is left grabbed by us.
    Keyboard third(server.display());
    EXPECT_TRUE(third.grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK, 'k'));

    ASSERT_EQ(hotkeys.add("lid", *KeyCombination::parse("CTRL+ALT+l"), [] {}), GlobalHotkeys::Grab::grabbed);
    EXPECT_FALSE(other.grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 'l'));
    hotkeys.remove("lid");
    EXPECT_TRUE(other.grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 'l'));

    X11GlobalHotkeys nowhere(":9999");
    EXPECT_FALSE(nowhere.isConnected());
    EXPECT_EQ(nowhere.add("lid", *KeyCombination::parse("CTRL+ALT+l"), [] {}), GlobalHotkeys::Grab::noServer);
}
