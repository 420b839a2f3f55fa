#include <gtest/gtest.h>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/MovieModeWatcher.h"
#include "core/notch/Keys.h"
#include "platform/fake/FakeActiveWindow.h"
#include "platform/fake/FakePlaybackReader.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::Activity;
using corvane::AlertPost;
using corvane::EarContent;
using corvane::EventDecision;
using corvane::EventStyle;
using corvane::KnownPaths;
using corvane::app::AppEnvironment;
using corvane::app::MovieModeWatcher;
using corvane::platform::ActiveWindowState;
using corvane::platform::FakeActiveWindow;
using corvane::platform::FakePlaybackReader;
using corvane::testing::harnessPaths;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

namespace {

// The app's environment with a watcher over fake sources, wired the way
// the delegate wires it.
struct Watching {
    TemporaryFolder folder;
    KnownPaths paths = harnessPaths(folder.path());
    AppEnvironment environment{paths};
    FakeActiveWindow* window = nullptr;
    FakePlaybackReader* playback = nullptr;
    std::unique_ptr<MovieModeWatcher> watcher;
    std::vector<bool> changes;

    Watching()
    {
        auto ownWindow = std::make_unique<FakeActiveWindow>();
        auto ownPlayback = std::make_unique<FakePlaybackReader>();
        window = ownWindow.get();
        playback = ownPlayback.get();
        watcher = std::make_unique<MovieModeWatcher>(environment.settings(), std::move(ownWindow), std::move(ownPlayback));
        QObject::connect(watcher.get(), &MovieModeWatcher::watchingChanged, [this](bool on) { changes.push_back(on); });
        environment.cards().setMovieMode(watcher.get());
    }
    ~Watching() { environment.cards().setMovieMode(nullptr); }

    void front(const char* app, bool fullScreen) { window->set({.appID = app, .fullScreen = fullScreen}); }

    EventDecision post(const char* module, const char* kind, const char* title)
    {
        AlertPost alert;
        alert.kind = kind;
        alert.title = title;
        return environment.pipeline().post(module, alert);
    }

    std::optional<std::string> earKind()
    {
        const auto& main = environment.ears().lineup().main;
        return main ? std::optional(main->kind) : std::nullopt;
    }
    bool cardShows() { return environment.cards().queue().visible().has_value(); }
};

Activity ongoing(std::string id, std::string kind)
{
    return Activity{.id = std::move(id),
                    .moduleID = "ai",
                    .kind = std::move(kind),
                    .priority = 50,
                    .left = EarContent::symbol("sparkles"),
                    .right = EarContent::text("Working"),
                    .createdAt = corvane::WallTime::fromReferenceSeconds(0)};
}

}  // namespace

TEST(MovieModeWatcher, watches_a_full_screen_player_or_a_browser_that_plays_itself_while_movie_mode_is_on)
{
    Watching w;
    EXPECT_FALSE(w.watcher->watching()) << "nothing is known at first";

    w.front("vlc", false);
    EXPECT_FALSE(w.watcher->watching()) << "a player in a window";
    w.front("org.videolan.VLC", true);
    EXPECT_TRUE(w.watcher->watching());
    w.environment.settings().set(Keys::movieMode, false);
    EXPECT_FALSE(w.watcher->watching()) << "the setting off";
    w.environment.settings().set(Keys::movieMode, true);
    EXPECT_TRUE(w.watcher->watching());

    w.front("firefox", true);
    EXPECT_FALSE(w.watcher->watching()) << "a full-screen browser showing slides";
    w.playback->set({"spotify"});
    EXPECT_FALSE(w.watcher->watching()) << "music of another application";
    w.playback->set({"spotify", "firefox"});
    EXPECT_TRUE(w.watcher->watching());
    w.playback->set({std::nullopt});
    EXPECT_TRUE(w.watcher->watching()) << "a player that does not say who it is";

    w.front("org.gnome.TextEditor", true);
    EXPECT_FALSE(w.watcher->watching());
    w.window->set(ActiveWindowState{});
    EXPECT_FALSE(w.watcher->watching()) << "the window system does not tell";

    EXPECT_EQ(w.changes, (std::vector<bool>{true, false, true, false, true, false}));
}

TEST(MovieModeWatcher, while_watching_only_time_sensitive_alerts_show_and_only_as_ears_and_the_rest_is_recorded)
{
    Watching w;
    w.front("mpv", true);
    ASSERT_TRUE(w.watcher->watching());

    EXPECT_NE(w.post("ai", "ai.finished", "Claude finished").as<EventDecision::Show>(), nullptr);
    EXPECT_FALSE(w.cardShows());
    EXPECT_EQ(w.earKind(), std::nullopt);
    EXPECT_EQ(w.environment.alerts().history().records.size(), 1u) << "still recorded";

    EXPECT_NE(w.post("calendar", "calendar.meeting", "Standup in 2 minutes").as<EventDecision::Show>(), nullptr);
    EXPECT_FALSE(w.cardShows()) << "a card kind shows as an ear";
    EXPECT_EQ(w.earKind(), "calendar.meeting");
    EXPECT_EQ(w.environment.alerts().history().records.size(), 2u);

    // Leaving full screen brings cards back.
    w.front("mpv", false);
    w.post("ai", "ai.finished", "Codex finished");
    EXPECT_TRUE(w.cardShows());
}

TEST(MovieModeWatcher, while_watching_the_ears_keep_only_time_sensitive_activities_and_those_the_user_just_acted_on)
{
    Watching w;
    auto& ears = w.environment.ears();
    ears.post(ongoing("agent", "ai.working"));
    ASSERT_EQ(w.earKind(), "ai.working");

    w.front("mpv", true);
    EXPECT_EQ(w.earKind(), std::nullopt) << "an ongoing activity steps aside";
    auto touched = ongoing("clip", "clipboard.copied");
    touched.userAction = touched.createdAt;
    ears.post(touched);
    EXPECT_EQ(w.earKind(), "clipboard.copied");
    ears.remove("clip");
    EXPECT_EQ(w.earKind(), std::nullopt);

    w.front("mpv", false);
    EXPECT_EQ(w.earKind(), "ai.working") << "back when the video leaves full screen";
    EXPECT_EQ(ears.arbiter().activities().size(), 1u) << "hidden, never dropped";
}

TEST(MovieModeWatcher, a_repeat_of_a_time_sensitive_alert_stays_an_ear_and_other_repeats_are_only_recorded)
{
    Watching w;
    w.front("vlc", true);
    EXPECT_EQ(w.watcher->shownAs(EventDecision::coalesce(2), EventStyle::card, "calendar.meeting"), EventStyle::ear);
    EXPECT_EQ(w.watcher->shownAs(EventDecision::coalesce(2), EventStyle::card, "ai.finished"), std::nullopt);
    w.front("vlc", false);
    EXPECT_EQ(w.watcher->shownAs(EventDecision::coalesce(2), EventStyle::card, "ai.finished"), EventStyle::card);
}
