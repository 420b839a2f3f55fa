#pragma once
// The active window on X11, read over a connection of our own to the X
// server (DISPLAY), so it works whatever platform Qt itself runs on. The
// window manager names the active window in the root window's
// _NET_ACTIVE_WINDOW; its application comes from _GTK_APPLICATION_ID,
// _KDE_NET_WM_DESKTOP_FILE or WM_CLASS; it is full screen when its
// _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN or it covers its monitor.
//
// Changes arrive as events on the connection's socket: property changes of
// the root window and of the active window, the active window's configure
// notices and RandR's screen changes. Nothing polls. Without an X server
// (Wayland without XWayland) the state stays unknown.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/notch/Rect.h"
#include "platform/ActiveWindow.h"

class QSocketNotifier;
struct xcb_connection_t;

namespace corvane::platform {

class X11ActiveWindow final : public ActiveWindow {
public:
    // What a window says about its application, as read from its properties.
    struct WindowNames {
        std::optional<std::string> gtkApplicationID{};
        std::optional<std::string> kdeDesktopFile{};
        std::optional<std::string> instance{};  // WM_CLASS, first part
        std::optional<std::string> className{};  // WM_CLASS, second part
    };
    using DesktopFileExists = std::function<bool(std::string_view id)>;

    // The application's desktop-file id: the GTK or KDE name, else the
    // class or instance (as written, then lower-cased) that names an
    // installed desktop file, else the lower-cased class. None when
    // nothing valid is given.
    static std::optional<std::string> appID(const WindowNames& names, const DesktopFileExists& exists);
    // Whether "<id>.desktop" lies in one of the XDG application folders.
    static bool hasDesktopFile(std::string_view id);

    // `display` as DISPLAY gives it; null for the environment's own.
    explicit X11ActiveWindow(const char* display = nullptr);
    ~X11ActiveWindow() override;

    bool isConnected() const { return notifier_ != nullptr; }

private:
    enum Atom { activeWindow, wmState, wmStateFullScreen, gtkApplicationID, kdeDesktopFile, utf8String, atomCount };

    bool connect(const char* display);
    void readEvents();
    // True when the event may change what we report.
    bool matters(const void* event);
    void refresh();
    void follow(std::uint32_t window);
    void loadMonitors();
    std::uint32_t currentActiveWindow();
    std::optional<std::string> property(std::uint32_t window, std::uint32_t atom, std::uint32_t type);
    WindowNames names(std::uint32_t window);
    bool isFullScreen(std::uint32_t window);
    std::optional<Rect> frameOf(std::uint32_t window);

    xcb_connection_t* connection_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::array<std::uint32_t, atomCount> atoms_{};
    std::uint32_t root_ = 0;
    std::uint32_t followed_ = 0;  // the active window whose notices we receive
    std::optional<std::uint8_t> randrEvents_;  // RandR's first event code, when the server has RandR
    std::vector<Rect> monitors_;
};

}  // namespace corvane::platform
