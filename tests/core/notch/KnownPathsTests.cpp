#include <cstdio>

#include <gtest/gtest.h>

#include "core/notch/KeychainAccess.h"
#include "core/notch/KnownPaths.h"

using namespace corvane;

namespace {

KnownPaths::Inputs normalRun(KnownPaths::Environment environment = {})
{
    return KnownPaths::Inputs{"com.lunebox.app", {"/usr/bin/lunebox"}, std::move(environment), 42, "/home/ada", "/tmp"};
}

}  // namespace

TEST(KnownPaths, a_variant_id_gets_its_own_folder_only_with_a_clean_suffix)
{
    EXPECT_EQ(KnownPaths::dataFolderFor("com.lunebox.app.beta-2"), "Lunebox-beta-2");
    EXPECT_EQ(KnownPaths::dataFolderFor("com.lunebox.app.dev"), "Lunebox-dev");
    EXPECT_EQ(KnownPaths::dataFolderFor("com.lunebox.app.x_y"), "Lunebox");
    EXPECT_EQ(KnownPaths::dataFolderFor("com.lunebox.app."), "Lunebox");
    EXPECT_EQ(KnownPaths::dataFolderFor("com.lunebox.app"), "Lunebox");
    EXPECT_EQ(KnownPaths::dataFolderFor("com.lunebox.application"), "Lunebox");
    EXPECT_EQ(KnownPaths::dataFolderFor(std::nullopt), "Lunebox");
}

TEST(KnownPaths, a_double_dash_argument_after_the_program_or_the_variable_makes_a_harness_run)
{
    EXPECT_FALSE(KnownPaths::detectHarness({"lunebox"}, {}));
    EXPECT_FALSE(KnownPaths::detectHarness({"--odd-program-name"}, {}));
    EXPECT_FALSE(KnownPaths::detectHarness({"lunebox", "lunebox://quiet?on=1"}, {}));
    EXPECT_TRUE(KnownPaths::detectHarness({"lunebox", "--snapshots", "/tmp/out"}, {}));
    EXPECT_TRUE(KnownPaths::detectHarness({"lunebox"}, {{"LUNEBOX_HARNESS", "1"}}));
    EXPECT_FALSE(KnownPaths::detectHarness({"lunebox"}, {{"LUNEBOX_HARNESS", "0"}}));
}

TEST(KnownPaths, a_normal_run_follows_the_xdg_folders)
{
    auto paths = KnownPaths::resolve(
        normalRun({{"XDG_DATA_HOME", "/data"}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_CACHE_HOME", "/cache"}}));
    EXPECT_FALSE(paths.isHarness());
    EXPECT_EQ(paths.appSupport(), "/data/Lunebox");
    EXPECT_EQ(paths.inbox(), "/data/Lunebox/inbox");
    EXPECT_EQ(paths.statusFile(), "/data/Lunebox/status/claude.json");
    EXPECT_EQ(paths.settingsFile(), "/config/Lunebox/defaults.json");
    EXPECT_EQ(paths.cacheFolder(), "/cache/Lunebox");
    EXPECT_EQ(paths.legacySettingsFile(), "/config/corvane/defaults.json");
    EXPECT_EQ(paths.legacyDataFolder(), "/data/corvane");
    EXPECT_EQ(paths.agentSkill(), "/home/ada/.agents/skills/lunebox/SKILL.md");

    // Relative XDG folders are to be ignored.
    auto fallback = KnownPaths::resolve(normalRun({{"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", ""}}));
    EXPECT_EQ(fallback.appSupport(), "/home/ada/.local/share/Lunebox");
    EXPECT_EQ(fallback.settingsFile(), "/home/ada/.config/Lunebox/defaults.json");
    EXPECT_EQ(fallback.cacheFolder(), "/home/ada/.cache/Lunebox");

    auto inputs = normalRun();
    inputs.applicationID = "com.lunebox.app.dev";
    EXPECT_EQ(KnownPaths::resolve(inputs).settingsFile(), "/home/ada/.config/Lunebox-dev/defaults.json");
}

TEST(KnownPaths, a_harness_run_keeps_data_and_settings_in_its_own_temporary_root)
{
    auto inputs = normalRun({{"XDG_DATA_HOME", "/data"}, {"XDG_CONFIG_HOME", "/config"}});
    inputs.arguments.push_back("--gtest_filter=*");
    auto paths = KnownPaths::resolve(inputs);
    EXPECT_TRUE(paths.isHarness());
    EXPECT_EQ(paths.supportRoot(), "/tmp/lunebox-harness-42");
    EXPECT_EQ(paths.appSupport(), "/tmp/lunebox-harness-42/Lunebox");
    EXPECT_EQ(paths.settingsFile(), "/tmp/lunebox-harness-42/config/Lunebox/defaults.json");
    EXPECT_EQ(paths.cacheFolder(), "/tmp/lunebox-harness-42/cache/Lunebox");
}

TEST(KnownPaths, the_shell_literal_expands_to_the_inbox_in_a_real_shell)
{
    std::string command = "env -i HOME=/home/ada sh -c 'printf %s \"" + std::string(KnownPaths::inboxForShell) + "\"'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[256] = {};
    std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, pipe);
    ::pclose(pipe);
    EXPECT_EQ(std::string(buffer, length), KnownPaths::resolve(normalRun()).inbox().string());
    EXPECT_NE(std::string(KnownPaths::inboxForShell).find(KnownPaths::inboxMarker), std::string::npos);
}

TEST(KeychainAccess, only_the_real_application_id_may_read_credentials)
{
    EXPECT_TRUE(KeychainAccess::mayRead("com.lunebox.app"));
    EXPECT_FALSE(KeychainAccess::mayRead("com.lunebox.app.dev"));
    EXPECT_FALSE(KeychainAccess::mayRead(""));
    EXPECT_FALSE(KeychainAccess::mayRead(std::nullopt));
    EXPECT_EQ(KeychainAccess::allowed(), KnownPaths::compiledApplicationID() == KeychainAccess::realBundleID);
}
