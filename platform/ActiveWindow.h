#pragma once
// The window that has the keyboard focus: which application it belongs to
// and whether it fills its screen. Implementations follow the window
// system's own notices and never poll. A bare ActiveWindow never learns
// anything, as in a session whose windows we cannot see (Wayland without
// XWayland, the offscreen platform): the application stays unknown.

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace corvane::platform {

struct ActiveWindowState {
    std::optional<std::string> appID{};  // desktop-file id without ".desktop"; none when unknown
    bool fullScreen = false;

    bool operator==(const ActiveWindowState&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ActiveWindowState& state)
{
    return out << "{" << state.appID.value_or("unknown") << (state.fullScreen ? " | full screen}" : "}");
}

class ActiveWindow {
public:
    using ChangeHandler = std::function<void()>;

    ActiveWindow() = default;
    virtual ~ActiveWindow() = default;
    ActiveWindow(const ActiveWindow&) = delete;
    ActiveWindow& operator=(const ActiveWindow&) = delete;

    const ActiveWindowState& state() const { return state_; }
    // Called on the owner's thread each time state() changed.
    void setChangeHandler(ChangeHandler handler) { handler_ = std::move(handler); }

protected:
    void publish(ActiveWindowState state)
    {
        if (state == state_)
            return;
        state_ = std::move(state);
        if (handler_)
            handler_();
    }

private:
    ActiveWindowState state_;
    ChangeHandler handler_;
};

}  // namespace corvane::platform
