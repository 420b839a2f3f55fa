#pragma once
// Whether the user is watching a video now, and what the notch may show
// meanwhile: the one place the presentation asks. Watching needs movie
// mode on ("general.movieMode"), the active window in full screen and its
// application a video player, or a browser that plays media itself. While
// watching, alerts go through MovieMode::route (a time-sensitive one shows
// only as an ear, others are only recorded) and the ears keep only what
// MovieMode::showsEar lets through.
//
// It follows the active window, the media players and the setting as they
// change; nothing polls.

#include <memory>
#include <optional>
#include <string_view>

#include <QObject>

#include "core/notch/Activity.h"
#include "core/notch/AlertStyles.h"
#include "core/notch/EventPolicy.h"
#include "core/notch/SettingsStore.h"
#include "platform/ActiveWindow.h"
#include "platform/PlaybackReader.h"

namespace corvane::app {

class MovieModeWatcher final : public QObject {
    Q_OBJECT
public:
    MovieModeWatcher(SettingsStore& settings, std::unique_ptr<platform::ActiveWindow> window,
                     std::unique_ptr<platform::PlaybackReader> playback, QObject* parent = nullptr);
    ~MovieModeWatcher() override;

    // The session's own sources: the X11 active window when Qt runs on
    // X11 (else an unknown one), and the MPRIS players on the session bus.
    static std::unique_ptr<MovieModeWatcher> forSession(SettingsStore& settings);

    bool watching() const { return watching_; }
    // The desktop-file id of the app in front, when the desktop says.
    std::optional<std::string> frontApp() const { return window_->state().appID; }

    // How an alert decided as `decision` shows, wanting `style`: none when
    // it is only recorded. Unchanged while not watching.
    std::optional<EventStyle> shownAs(const EventDecision& decision, EventStyle style, std::string_view kind) const;
    // Whether an activity may take the ears now.
    bool showsEar(const Activity& activity) const;

signals:
    void watchingChanged(bool watching);

private:
    void update();

    SettingsStore& settings_;
    std::unique_ptr<platform::ActiveWindow> window_;
    std::unique_ptr<platform::PlaybackReader> playback_;
    SettingsStore::Subscription subscription_ = 0;
    bool watching_ = false;
};

}  // namespace corvane::app
