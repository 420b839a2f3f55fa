#include <gtest/gtest.h>

#include "core/runtime/OwningApp.h"
#include "core/runtime/PortOrigin.h"

using namespace corvane;

namespace {

const std::string home = "/home/dev";

PortOrigin origin(std::string_view name, std::string_view path, std::string_view command = "", int port = 7000,
                  bool own = true)
{
    return PortOrigin::classify(name, path, command, port, own, home);
}

}  // namespace

TEST(PortOrigin, the_first_matching_rule_names_who_opened_the_port)
{
    using Kind = PortOrigin::Kind;
    EXPECT_EQ(origin("node", "/usr/bin/node", "node --inspect server.js", 9229), PortOrigin::of(Kind::debugger));
    EXPECT_EQ(origin("node", "/usr/bin/node", "node --inspect=0 app.js"), PortOrigin::of(Kind::debugger));
    EXPECT_EQ(origin("sshd", "/usr/sbin/sshd", "", 9230, false), PortOrigin::of(Kind::debugger));
    EXPECT_EQ(origin("kubectl", "/usr/local/bin/kubectl"), PortOrigin::of(Kind::portForward));
    EXPECT_EQ(origin("Cloudflared", "/usr/bin/cloudflared"), PortOrigin::of(Kind::portForward));
    EXPECT_EQ(origin("redis-server", "/home/linuxbrew/.linuxbrew/Cellar/redis/7.2/bin/redis-server"),
              PortOrigin::of(Kind::homebrew));
    EXPECT_EQ(origin("cupsd", "/usr/bin/cupsd", "", 631, false), PortOrigin::of(Kind::system));
    EXPECT_EQ(origin("sshd", "/usr/sbin/sshd"), PortOrigin::of(Kind::system));
    EXPECT_EQ(origin("resolved", "/usr/lib/systemd/systemd-resolved"), PortOrigin::of(Kind::system));
    EXPECT_EQ(origin("thing", "thing"), PortOrigin::of(Kind::process));
    EXPECT_EQ(origin("spotify", "/snap/spotify/76/usr/share/spotify/spotify"), PortOrigin::app("spotify"));
    EXPECT_EQ(origin("slack", "/var/lib/flatpak/app/com.slack.Slack/x86_64/stable/abc/files/slack"),
              PortOrigin::app("com.slack.Slack"));
    EXPECT_EQ(origin("tool", "/home/dev/.local/share/flatpak/app/org.example.Tool"),
              PortOrigin::app("org.example.Tool"));
    EXPECT_EQ(origin("node", "/snap/node/8671/bin/node"), PortOrigin::of(Kind::process));
    EXPECT_EQ(origin("server", "/opt/tool/bin/server"), PortOrigin::of(Kind::process));
}

TEST(PortOrigin, titles_and_container_publishers)
{
    EXPECT_EQ(PortOrigin::app("spotify").title(), "spotify");
    EXPECT_EQ(PortOrigin::of(PortOrigin::Kind::homebrew).title(), "Homebrew service");

    EXPECT_TRUE(PortOrigin::isContainerRuntime("docker-proxy", "/usr/bin/docker-proxy"));
    EXPECT_TRUE(PortOrigin::isContainerRuntime("rootlessport", "/usr/libexec/podman/rootlessport"));
    EXPECT_TRUE(PortOrigin::isContainerRuntime("ssh", "/usr/bin/ssh"));
    EXPECT_TRUE(PortOrigin::isContainerRuntime("qemu", "/opt/lima/bin/qemu-system-x86_64"));
    EXPECT_TRUE(PortOrigin::isContainerRuntime("backend", "/opt/docker-desktop/bin/backend"));
    EXPECT_FALSE(PortOrigin::isContainerRuntime("node", "/usr/bin/node"));
}

TEST(OwningApp, one_table_tells_system_folders_bundles_and_application_data)
{
    EXPECT_TRUE(OwningApp::isSystemPath("/usr/sbin/nginx"));
    EXPECT_TRUE(OwningApp::isSystemPath("/sbin/init"));
    EXPECT_TRUE(OwningApp::isSystemPath("/usr/libexec/tracker-miner"));
    EXPECT_TRUE(OwningApp::isSystemPath("/lib/systemd/systemd-resolved"));
    EXPECT_FALSE(OwningApp::isSystemPath("/usr/bin/node"));
    EXPECT_FALSE(OwningApp::isSystemPath("/usr/sbinx/tool"));
    EXPECT_TRUE(OwningApp::isOperatingSystemComponent("/usr/lib/systemd/systemd"));
    EXPECT_FALSE(OwningApp::isOperatingSystemComponent("/usr/sbin/sshd"));

    EXPECT_EQ(OwningApp::bundle("/snap/spotify/76/spotify", home), "/snap/spotify");
    EXPECT_EQ(OwningApp::bundle("/snap/spotify", home), "/snap/spotify");
    EXPECT_EQ(OwningApp::bundle("/snap/bin/spotify", home), std::nullopt);
    EXPECT_EQ(OwningApp::bundle("/snap/", home), std::nullopt);
    EXPECT_EQ(OwningApp::bundle("/usr/bin/node", home), std::nullopt);
    EXPECT_EQ(OwningApp::name("/var/lib/flatpak/app/org.gnome.Maps/"), "org.gnome.Maps");

    EXPECT_TRUE(OwningApp::isApplicationData("/home/dev/.config/Code/helper", home));
    EXPECT_FALSE(OwningApp::isApplicationData("/home/dev/src/app", home));
    EXPECT_FALSE(OwningApp::isApplicationData("/root/.config/x", home));
}
