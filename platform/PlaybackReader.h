#pragma once
// What plays media right now, as the desktop's media players announce it:
// one entry per player that is playing, naming its application when the
// player does. Implementations follow the players' own notices and never
// poll. A bare PlaybackReader hears no player.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

// The desktop-file id (without ".desktop") of a playing application; none
// when the player does not say which application it is.
using PlayingApp = std::optional<std::string>;

class PlaybackReader {
public:
    using ChangeHandler = std::function<void()>;

    PlaybackReader() = default;
    virtual ~PlaybackReader() = default;
    PlaybackReader(const PlaybackReader&) = delete;
    PlaybackReader& operator=(const PlaybackReader&) = delete;

    // In a stable order (by the player's bus name); empty when nothing plays.
    const std::vector<PlayingApp>& playing() const { return playing_; }
    bool isPlaying() const { return !playing_.empty(); }
    // Called on the owner's thread each time playing() changed.
    void setChangeHandler(ChangeHandler handler) { handler_ = std::move(handler); }

protected:
    void publish(std::vector<PlayingApp> playing)
    {
        if (playing == playing_)
            return;
        playing_ = std::move(playing);
        if (handler_)
            handler_();
    }

private:
    std::vector<PlayingApp> playing_;
    ChangeHandler handler_;
};

}  // namespace corvane::platform
