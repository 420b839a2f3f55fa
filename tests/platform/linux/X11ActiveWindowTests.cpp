// The active window as a window manager announces it, on a private Xvfb:
// the test's own client creates the windows, sets their WM_CLASS and
// _NET_WM_STATE, and names the active one in the root window's
// _NET_ACTIVE_WINDOW, as a window manager would.

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include "platform/linux/X11ActiveWindow.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/platform/PrivateBus.h"
#include "tests/platform/Xvfb.h"

using corvane::platform::ActiveWindowState;
using corvane::platform::X11ActiveWindow;
using corvane::testing::TemporaryFolder;
using corvane::testing::waitUntil;
using corvane::testing::Xvfb;

namespace {

// A plain X client that plays the windows and the window manager.
class Client {
public:
    explicit Client(const QString& display)
    {
        int screen = 0;
        connection_ = xcb_connect(display.toLatin1().constData(), &screen);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~Client() { xcb_disconnect(connection_); }

    xcb_window_t window(int x, int y, int width, int height, std::string_view instance, std::string_view className)
    {
        xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, std::int16_t(x), std::int16_t(y),
                          std::uint16_t(width), std::uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        std::string wmClass = std::string(instance) + '\0' + std::string(className) + '\0';
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            std::uint32_t(wmClass.size()), wmClass.data());
        xcb_map_window(connection_, window);
        sync();
        return window;
    }

    void setText(xcb_window_t window, const char* property, std::string_view text)
    {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), atom("UTF8_STRING"), 8,
                            std::uint32_t(text.size()), text.data());
        sync();
    }

    void setFullScreen(xcb_window_t window, bool on)
    {
        std::vector<xcb_atom_t> states{atom("_NET_WM_STATE_ABOVE")};
        if (on)
            states.push_back(atom("_NET_WM_STATE_FULLSCREEN"));
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                            std::uint32_t(states.size()), states.data());
        sync();
    }

    // 0 for no active window.
    void activate(xcb_window_t window)
    {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32,
                            1, &window);
        sync();
    }

    void resize(xcb_window_t window, int width, int height)
    {
        std::uint32_t size[] = {std::uint32_t(width), std::uint32_t(height)};
        xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        sync();
    }

private:
    xcb_atom_t atom(const char* name)
    {
        auto cookie = xcb_intern_atom(connection_, 0, std::uint16_t(std::string_view(name).size()), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
        xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
        std::free(reply);
        return atom;
    }

    // A round trip: the server has applied everything sent before it.
    void sync() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }

    xcb_connection_t* connection_;
    xcb_window_t root_;
};

// The XDG application folders point into a temporary folder for the test.
class ApplicationFolders {
public:
    ApplicationFolders() : dataHome_(saved("XDG_DATA_HOME")), dataDirs_(saved("XDG_DATA_DIRS"))
    {
        std::filesystem::create_directories(folder_ / "home" / "applications");
        std::filesystem::create_directories(folder_ / "system" / "applications");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((folder_ / "home").string()));
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((folder_ / "system").string()));
    }
    ~ApplicationFolders()
    {
        restore("XDG_DATA_HOME", dataHome_);
        restore("XDG_DATA_DIRS", dataDirs_);
    }

    void install(const std::string& id) { std::ofstream(folder_ / "system" / "applications" / (id + ".desktop")) << "[Desktop Entry]\n"; }

private:
    static std::optional<QByteArray> saved(const char* name)
    {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    static void restore(const char* name, const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    TemporaryFolder folder_;
    std::optional<QByteArray> dataHome_;
    std::optional<QByteArray> dataDirs_;
};

class X11ActiveWindowOnXvfb : public ::testing::Test {
protected:
    void SetUp() override
    {
        corvane::testing::ensureApplication();
        if (!Xvfb::isInstalled())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(xvfb_.isRunning()) << "Xvfb did not start";
        client_ = std::make_unique<Client>(xvfb_.display());
    }

    std::unique_ptr<X11ActiveWindow> reader()
    {
        auto reader = std::make_unique<X11ActiveWindow>(xvfb_.display().toLatin1().constData());
        reader->setChangeHandler([this] { ++changes_; });
        return reader;
    }

    ApplicationFolders folders_;
    Xvfb xvfb_;
    std::unique_ptr<Client> client_;
    int changes_ = 0;
};

ActiveWindowState state(const char* appID, bool fullScreen) { return {.appID = appID, .fullScreen = fullScreen}; }

}  // namespace

TEST_F(X11ActiveWindowOnXvfb, follows_the_active_window_its_application_and_its_full_screen_state)
{
    folders_.install("firefox");
    xcb_window_t player = client_->window(100, 100, 400, 300, "vlc", "vlc");
    xcb_window_t browser = client_->window(50, 50, 600, 400, "Navigator", "firefox");
    client_->activate(player);
    auto watched = reader();
    ASSERT_TRUE(watched->isConnected());
    EXPECT_EQ(watched->state(), state("vlc", false)) << "no vlc.desktop installed: the lower-cased class";

    client_->setFullScreen(player, true);
    ASSERT_TRUE(waitUntil([&] { return watched->state() == state("vlc", true); }));
    EXPECT_EQ(changes_, 1);

    client_->activate(browser);
    ASSERT_TRUE(waitUntil([&] { return watched->state() == state("firefox", false); }))
        << "the class names the installed firefox.desktop";
    EXPECT_EQ(changes_, 2);

    client_->setText(browser, "_GTK_APPLICATION_ID", "org.mozilla.firefox");
    ASSERT_TRUE(waitUntil([&] { return watched->state() == state("org.mozilla.firefox", false); }));

    // The former active window is no longer followed.
    int before = changes_;
    client_->setFullScreen(player, false);
    client_->setFullScreen(browser, true);
    ASSERT_TRUE(waitUntil([&] { return watched->state().fullScreen; }));
    EXPECT_EQ(changes_, before + 1);

    client_->activate(XCB_NONE);
    ASSERT_TRUE(waitUntil([&] { return watched->state() == ActiveWindowState{}; }));
}

TEST_F(X11ActiveWindowOnXvfb, a_window_that_covers_its_screen_is_full_screen_until_it_shrinks)
{
    xcb_window_t player = client_->window(0, 0, 1280, 800, "mpv", "mpv");
    client_->activate(player);
    auto watched = reader();
    EXPECT_EQ(watched->state(), state("mpv", true));

    client_->resize(player, 1280, 700);
    ASSERT_TRUE(waitUntil([&] { return !watched->state().fullScreen; }));
    EXPECT_EQ(changes_, 1);
}

TEST(X11ActiveWindow, without_an_x_server_the_application_stays_unknown)
{
    corvane::testing::ensureApplication();
    X11ActiveWindow watched(":65531");
    EXPECT_FALSE(watched.isConnected());
    EXPECT_EQ(watched.state(), ActiveWindowState{});
}

TEST(X11ActiveWindow, names_an_application_by_its_declared_id_else_an_installed_desktop_file_else_its_class)
{
    std::vector<std::string> asked;
    auto installed = [&](std::vector<std::string> ids) {
        return [&asked, ids](std::string_view id) {
            asked.emplace_back(id);
            return std::find(ids.begin(), ids.end(), id) != ids.end();
        };
    };
    using Names = X11ActiveWindow::WindowNames;

    EXPECT_EQ(X11ActiveWindow::appID(Names{.gtkApplicationID = "org.gnome.Totem", .className = "Totem"}, installed({})),
              "org.gnome.Totem");
    EXPECT_EQ(X11ActiveWindow::appID(Names{.kdeDesktopFile = "org.kde.haruna.desktop", .className = "haruna"},
                                     installed({})),
              "org.kde.haruna");
    EXPECT_EQ(X11ActiveWindow::appID(Names{.instance = "google-chrome", .className = "Google-chrome"},
                                     installed({"google-chrome"})),
              "google-chrome");
    EXPECT_EQ(X11ActiveWindow::appID(Names{.instance = "Navigator", .className = "Firefox-esr"},
                                     installed({"firefox-esr"})),
              "firefox-esr");
    EXPECT_EQ(X11ActiveWindow::appID(Names{.instance = "Navigator", .className = "Firefox-esr"}, installed({})),
              "firefox-esr");
    EXPECT_EQ(X11ActiveWindow::appID(Names{}, installed({})), std::nullopt);

    // Another client wrote these: nothing that could leave the folder is looked up or reported.
    asked.clear();
    EXPECT_EQ(X11ActiveWindow::appID(Names{.gtkApplicationID = "a/b", .instance = "../../x", .className = "../x"},
                                     installed({})),
              std::nullopt);
    EXPECT_TRUE(asked.empty());
}
