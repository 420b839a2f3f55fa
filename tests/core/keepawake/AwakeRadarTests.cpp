#include <gtest/gtest.h>

#include "core/keepawake/AwakeRadar.h"

using namespace corvane;
using Effect = AwakeRadar::Effect;

namespace {

constexpr std::uint32_t me = 1000;
constexpr std::int32_t ownPID = 500;

// As ListInhibitors answers on a typical desktop session.
const std::vector<Inhibitor> listed{
    {"shutdown:sleep", "NetworkManager", "NetworkManager needs to turn off networks", "delay", 0, 812},
    {"handle-power-key:handle-suspend-key:handle-hibernate-key", "gsd-media-keys",
     "GNOME handling keypresses", "block", me, 1630},
    {"sleep", "gsd-power", "GNOME needs to lock the screen", "delay", me, 1644},
    {"idle", "Firefox", "audio-playing", "block", me, 2210},
    {"sleep:idle", "Firefox", "video-playing", "block", me, 2210},
    {"sleep:idle", "Lunebox", "Lunebox Keep Awake", "block", me, ownPID},
    {"idle", "", "Playing", "block", me, 3100},
    {"", "ghost", "holds nothing", "block", me, 3200},
};

RunningProcess lookup(std::int32_t pid)
{
    switch (pid) {
    case 812: return {"/usr/sbin/NetworkManager", false};
    case 1630: return {"/usr/libexec/gsd-media-keys", false};
    case 1644: return {"/usr/libexec/gsd-power", false};
    case 2210: return {"/usr/lib/firefox-esr/firefox-esr", true};
    case 3100: return {"/home/dev/.local/bin/mpv", true};
    default: return {};
    }
}

}  // namespace

TEST(AwakeRadar, inhibitor_locks_become_assertions)
{
    auto assertions = AwakeRadar::parse(listed, lookup);
    ASSERT_EQ(assertions.size(), 7u);
    EXPECT_EQ(assertions[0], (PowerAssertion{812, "NetworkManager", "shutdown:sleep",
                                             "NetworkManager needs to turn off networks", true, 0,
                                             "/usr/sbin/NetworkManager", false}));
    EXPECT_EQ(assertions[6].process, "pid 3100");
    EXPECT_EQ(AwakeRadar::effect("sleep:idle", false), Effect::stopsSleep);
    EXPECT_EQ(AwakeRadar::effect("handle-lid-switch", false), Effect::stopsSleep);
    EXPECT_EQ(AwakeRadar::effect("idle", false), Effect::display);
    EXPECT_EQ(AwakeRadar::effect("sleep", true), Effect::system);
    EXPECT_EQ(AwakeRadar::effect("shutdown:handle-power-key", false), Effect::system);
    EXPECT_EQ(AwakeRadar::effect("sleeping", false), Effect::system);
}

TEST(AwakeRadar, one_row_per_process_with_its_strongest_effect)
{
    auto rows = AwakeRadar::rows(AwakeRadar::parse(listed, lookup), ownPID, me);
    std::vector<std::string> summary;
    for (const auto& row : rows)
        summary.push_back(std::to_string(row.pid) + " " + row.name + " | " + row.sub + " | " + row.tag +
                          (row.canQuit ? " | can quit" : ""));
    EXPECT_EQ(summary, (std::vector<std::string>{
        "2210 Firefox | audio-playing · video-playing | Stops sleep | can quit",
        "1630 gsd-media-keys | GNOME handling keypresses · system | System",
        "3100 pid 3100 | Playing | Keeps display on | can quit",
        "812 NetworkManager | NetworkManager needs to turn off networks · brief · system | System",
        "1644 gsd-power | GNOME needs to lock the screen · brief · system | System",
    }));
}

TEST(AwakeRadar, only_the_users_own_desktop_apps_can_be_quit)
{
    PowerAssertion app{2210, "Firefox", "idle", "video", false, me, "/usr/lib/firefox-esr/firefox-esr", true};
    EXPECT_TRUE(AwakeRadar::canQuit(app, me));
    EXPECT_FALSE(AwakeRadar::canQuit(app, me + 1));
    app.regularApp = false;
    EXPECT_FALSE(AwakeRadar::canQuit(app, me));
    EXPECT_TRUE(AwakeRadar::isSystem(std::nullopt));
    EXPECT_TRUE(AwakeRadar::isSystem(std::optional<std::string>("/usr/lib/systemd/systemd-logind")));
    EXPECT_FALSE(AwakeRadar::isSystem(std::optional<std::string>("/usr/bin/vlc")));
}
