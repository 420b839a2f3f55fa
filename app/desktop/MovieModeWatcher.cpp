#include "app/desktop/MovieModeWatcher.h"

#include <algorithm>

#include <QGuiApplication>

#include "core/base/Log.h"
#include "core/notch/EventSettings.h"
#include "core/notch/Keys.h"
#include "core/notch/MovieMode.h"
#include "platform/linux/MprisPlaybackReader.h"
#include "platform/linux/X11ActiveWindow.h"

namespace corvane::app {

namespace {

const Logger logger("notch");

}  // namespace

MovieModeWatcher::MovieModeWatcher(SettingsStore& settings, std::unique_ptr<platform::ActiveWindow> window,
                                   std::unique_ptr<platform::PlaybackReader> playback, QObject* parent)
    : QObject(parent), settings_(settings), window_(std::move(window)), playback_(std::move(playback))
{
    window_->setChangeHandler([this] { update(); });
    playback_->setChangeHandler([this] { update(); });
    subscription_ = settings_.subscribe([this](int) { update(); });
    update();
}

MovieModeWatcher::~MovieModeWatcher()
{
    settings_.unsubscribe(subscription_);
    window_->setChangeHandler(nullptr);
    playback_->setChangeHandler(nullptr);
}

std::unique_ptr<MovieModeWatcher> MovieModeWatcher::forSession(SettingsStore& settings)
{
    // Our own X connection reads the same server Qt draws on; on any other
    // platform (Wayland, offscreen) the windows of others are out of sight.
    std::unique_ptr<platform::ActiveWindow> window;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        window = std::make_unique<platform::X11ActiveWindow>();
    else
        window = std::make_unique<platform::ActiveWindow>();
    return std::make_unique<MovieModeWatcher>(settings, std::move(window),
                                              std::make_unique<platform::MprisPlaybackReader>());
}

void MovieModeWatcher::update()
{
    bool enabled = settings_.get(Keys::movieMode);
    const platform::ActiveWindowState& front = window_->state();
    // A player in front counts whatever plays; a browser only with what it plays itself.
    bool watching = MovieMode::isWatching(enabled, front.fullScreen, front.appID, std::nullopt);
    for (const auto& app : playback_->playing())
        watching = watching || MovieMode::isWatching(enabled, front.fullScreen, front.appID, MovieMode::Playing{app});
    if (watching == watching_)
        return;
    watching_ = watching;
    logger.info("movie mode {}", watching ? "engaged" : "released");
    emit watchingChanged(watching);
}

std::optional<EventStyle> MovieModeWatcher::shownAs(const EventDecision& decision, EventStyle style,
                                                    std::string_view kind) const
{
    if (!watching_)
        return style;
    EventDecision routed = MovieMode::route(decision, isTimeSensitive(settings_, kind));
    if (routed.as<EventDecision::Show>() == nullptr && routed.as<EventDecision::Coalesce>() == nullptr)
        return std::nullopt;
    // What still shows while watching shows beside the video, never over it.
    return EventStyle::ear;
}

bool MovieModeWatcher::showsEar(const Activity& activity) const
{
    return !watching_ || MovieMode::showsEar(activity, isTimeSensitive(settings_, activity.kind));
}

}  // namespace corvane::app
