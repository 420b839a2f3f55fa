#include <gtest/gtest.h>

#include "core/base/Base64.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;

namespace {

struct StoreTest : ::testing::Test {
    MemoryDefaultsDomain defaults;
    SettingsStore store{defaults};
    std::vector<int> announced;

    StoreTest()
    {
        store.subscribe([this](int revision) { announced.push_back(revision); });
    }

    // An import document from storage key -> raw bytes.
    static std::string importOf(const std::map<std::string, std::string>& entries)
    {
        Json document = Json::object();
        for (const auto& [key, bytes] : entries)
            document[key] = base64Encode(bytes);
        return document.dump();
    }
};

}  // namespace

TEST_F(StoreTest, values_are_stored_as_compact_json_and_read_back_typed)
{
    EXPECT_EQ(store.get(Keys::hoverDelayMs), 150);
    EXPECT_FALSE(store.hasValue(Keys::hoverDelayMs));
    store.set(Keys::hoverDelayMs, 220);
    store.set(Keys::alertStyle, AlertStyle::ears);
    store.set(Keys::dockOrder, StringList{"dev", "home"});
    store.set(Keys::onboardingCompletedVersion, OptionalString{});
    EXPECT_EQ(defaults.data("corvane.general.hoverDelayMs"), "220");
    EXPECT_EQ(defaults.data("corvane.alerts.style"), "\"ears\"");
    EXPECT_EQ(defaults.data("corvane.notch.dockOrder"), "[\"dev\",\"home\"]");
    EXPECT_TRUE(store.hasValue(Keys::onboardingCompletedVersion)) << "a stored none is still a value";

    SettingsStore reopened(defaults);
    EXPECT_EQ(reopened.get(Keys::hoverDelayMs), 220);
    EXPECT_EQ(reopened.get(Keys::alertStyle), AlertStyle::ears);
    EXPECT_EQ(reopened.get(Keys::dockOrder), (StringList{"dev", "home"}));
}

TEST_F(StoreTest, setting_the_same_value_again_does_not_write_or_notify)
{
    store.set(Keys::soundsVolume, 0.3);
    int writes = defaults.writeCount();
    int revision = store.revision();
    int version = store.version("corvane.sounds.volume");
    store.set(Keys::soundsVolume, 0.3);
    EXPECT_EQ(defaults.writeCount(), writes);
    EXPECT_EQ(store.revision(), revision);
    EXPECT_EQ(store.version("corvane.sounds.volume"), version);
    EXPECT_EQ(announced, std::vector<int>{1});
}

TEST_F(StoreTest, bytes_that_do_not_decode_read_as_the_default_until_overwritten)
{
    ASSERT_TRUE(defaults.setData("corvane.general.hoverDelayMs", "\"fast\"").ok());
    ASSERT_TRUE(defaults.setData("corvane.alerts.style", "\"bubbles\"").ok());
    ASSERT_TRUE(defaults.setData("corvane.notch.dockOrder", "[\"dev\", 3]").ok());
    EXPECT_EQ(store.get(Keys::hoverDelayMs), 150);
    EXPECT_EQ(store.get(Keys::alertStyle), AlertStyle::card);
    EXPECT_EQ(store.get(Keys::dockOrder), StringList{});
    store.set(Keys::hoverDelayMs, 90);
    EXPECT_EQ(store.get(Keys::hoverDelayMs), 90);
}

TEST_F(StoreTest, a_value_that_cannot_be_encoded_is_ignored)
{
    store.set(Keys::animationSpeed, std::numeric_limits<double>::infinity());
    store.set(Keys::chromeAppearance, std::string("\xff\xfe"));
    EXPECT_FALSE(store.hasValue(Keys::animationSpeed));
    EXPECT_FALSE(store.hasValue(Keys::chromeAppearance));
    EXPECT_EQ(store.revision(), 0);
}

TEST_F(StoreTest, reset_removes_the_value_and_bumps_each_key)
{
    store.set(Keys::muteAll, true);
    store.set(Keys::quietMode, true);
    store.reset(Keys::muteAll);
    EXPECT_FALSE(store.hasValue(Keys::muteAll));
    EXPECT_FALSE(store.get(Keys::muteAll));
    EXPECT_EQ(store.version("corvane.alerts.muteAll"), 2);

    store.reset({"corvane.events.quietMode", "corvane.never.stored"});
    EXPECT_FALSE(store.get(Keys::quietMode));
    EXPECT_EQ(store.version("corvane.never.stored"), 1);
    EXPECT_EQ(announced, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(StoreTest, a_handler_may_unsubscribe_while_being_called)
{
    SettingsStore::Subscription once = 0;
    int calls = 0;
    once = store.subscribe([&](int) {
        ++calls;
        store.unsubscribe(once);
    });
    store.set(Keys::haptics, false);
    store.set(Keys::haptics, true);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(announced.size(), 2u);
}

TEST_F(StoreTest, reset_all_clears_every_indexed_key_and_nothing_else)
{
    store.set(Keys::hoverDelayMs, 1);
    store.setAlert("ai.finished", false);
    store.setModuleEnabled("weather", false);
    store.set(AlertSwitch::petRoute("ai.finished"), PetRoute::both);
    ASSERT_TRUE(defaults.setData("corvane.somebody.else", "1").ok());
    ASSERT_TRUE(defaults.setPlain("corvane.internal.legacyMigrated", true).ok());
    int epoch = store.epoch();

    store.resetAll();
    EXPECT_EQ(store.get(Keys::hoverDelayMs), 150);
    EXPECT_TRUE(store.alertEnabled("ai.finished"));
    EXPECT_TRUE(store.moduleEnabled("weather"));
    EXPECT_EQ(defaults.keys(), (std::vector<std::string>{"corvane.internal.legacyMigrated", "corvane.somebody.else"}));
    EXPECT_EQ(store.epoch(), epoch + 1);
}

TEST_F(StoreTest, retired_keys_and_prefixes_are_removed_and_counted)
{
    for (const char* key : {"corvane.notch.sizePreset", "NSStatusItem Visible corvaneIcon",
                            "corvane.menuBar.order", "corvane.alert.messages.mirror.slack.enabled",
                            "corvane.general.hoverDelayMs", "corvane.alert.messages.incoming.enabled"})
        ASSERT_TRUE(defaults.setData(key, "1").ok());
    EXPECT_EQ(store.removeRetired(), 4);
    EXPECT_EQ(defaults.keys(), (std::vector<std::string>{"corvane.alert.messages.incoming.enabled",
                                                         "corvane.general.hoverDelayMs"}));
    EXPECT_EQ(store.epoch(), 1);
    EXPECT_EQ(SettingsStore::retiredKeys().size(), 21u);
}

TEST_F(StoreTest, export_then_import_carries_every_setting_over)
{
    store.set(Keys::hoverDelayMs, 220);
    store.set(Keys::notchTheme, NotchTheme::tinted);
    store.setAlert("devServers.up", true);
    ASSERT_TRUE(defaults.setPlain("corvane.internal.reopenSettings", "alerts").ok());
    ASSERT_TRUE(defaults.setData("other.app.key", "1").ok());

    auto exported = store.exportJSON();
    ASSERT_TRUE(exported.ok());
    EXPECT_EQ(*exported,
              "{\n"
              "  \"corvane.alert.devServers.up.enabled\": \"dHJ1ZQ==\",\n"
              "  \"corvane.general.hoverDelayMs\": \"MjIw\",\n"
              "  \"corvane.notch.theme\": \"InRpbnRlZCI=\"\n"
              "}");

    MemoryDefaultsDomain otherDefaults;
    SettingsStore other(otherDefaults);
    EXPECT_EQ(other.get(Keys::hoverDelayMs), 150) << "cached before the import";
    auto imported = other.importJSON(*exported);
    ASSERT_TRUE(imported.ok());
    EXPECT_EQ(*imported, 3);
    EXPECT_EQ(other.get(Keys::hoverDelayMs), 220) << "the import empties the cache";
    EXPECT_EQ(other.get(Keys::notchTheme), NotchTheme::tinted);
    EXPECT_TRUE(other.alertEnabled("devServers.up"));
    EXPECT_EQ(other.epoch(), 1);
}

TEST_F(StoreTest, import_skips_what_it_cannot_place)
{
    auto imported = store.importJSON(importOf({
        {"general.hoverDelayMs", "1"},                      // no prefix
        {"corvane." + std::string(192, 'k'), "1"},          // 200 characters
        {"corvane.unknown.setting", "1"},                   // not in the index
        {"corvane.sounds.volume", std::string(65536, ' ')}, // too large
    }));
    ASSERT_TRUE(imported.ok());
    EXPECT_EQ(*imported, 0);

    Json odd = {{"corvane.general.haptics", 5}, {"corvane.general.movieMode", "%%%"}};
    EXPECT_EQ(store.importJSON(odd.dump()).valueOr(-1), 0) << "values that are not Base64 text are skipped";
    EXPECT_TRUE(defaults.keys().empty());
}

TEST_F(StoreTest, a_known_key_with_bytes_of_the_wrong_type_fails_the_whole_import)
{
    std::string document = importOf({{"corvane.general.haptics", "false"}, {"corvane.general.hoverDelayMs", "\"x\""}});
    int writes = defaults.writeCount();
    auto imported = store.importJSON(document);
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ(imported.error().code, Error::Code::Malformed);
    EXPECT_EQ(imported.error().context, "corvane.general.hoverDelayMs");
    EXPECT_FALSE(store.previewImport(document).ok());
    EXPECT_EQ(defaults.writeCount(), writes);

    auto notJson = store.importJSON("{\"corvane.general.haptics\": ");
    ASSERT_FALSE(notJson.ok());
    EXPECT_EQ(notJson.error().operation, "parse settings import");
    EXPECT_FALSE(store.importJSON("[]").ok());
}

TEST_F(StoreTest, preview_counts_changed_and_unchanged_entries_without_writing)
{
    store.set(Keys::hoverDelayMs, 220);
    store.set(Keys::haptics, false);
    int writes = defaults.writeCount();
    auto preview = store.previewImport(importOf({{"corvane.general.hoverDelayMs", "220"},
                                                 {"corvane.general.haptics", "true"},
                                                 {"corvane.module.pet.ears", "false"}}));
    ASSERT_TRUE(preview.ok());
    EXPECT_EQ(*preview, (SettingsStore::ImportPreview{2, 1}));
    EXPECT_EQ(defaults.writeCount(), writes);
}

TEST_F(StoreTest, alert_and_module_switches_default_from_the_catalogue)
{
    EXPECT_FALSE(store.alertEnabled("devServers.up"));
    EXPECT_TRUE(store.alertEnabled("ai.finished"));
    EXPECT_TRUE(store.alertEnabled("never.heard.of"));
    EXPECT_FALSE(store.moduleEnabled("messages"));
    EXPECT_TRUE(store.moduleEnabled("nosuchmodule"));

    store.setAlert("ai.finished", false);
    store.setModuleEnabled("messages", true);
    EXPECT_EQ(defaults.data("corvane.alert.ai.finished.enabled"), "false");
    EXPECT_EQ(defaults.data("corvane.module.messages.enabled"), "true");
    EXPECT_FALSE(store.alertEnabled("ai.finished"));
    EXPECT_TRUE(store.moduleEnabled("messages"));
}

TEST(SettingsStore, a_change_made_by_another_process_refreshes_the_cached_value)
{
    TemporaryFolder folder;
    FileDefaultsDomain mine(folder / "defaults.json");
    SettingsStore store(mine);
    std::vector<int> announced;
    store.subscribe([&](int revision) { announced.push_back(revision); });
    EXPECT_EQ(store.get(Keys::hoverDelayMs), 150);

    FileDefaultsDomain theirs(folder / "defaults.json");
    SettingsStore other(theirs);
    other.set(Keys::hoverDelayMs, 400);

    EXPECT_EQ(store.get(Keys::hoverDelayMs), 400);
    EXPECT_EQ(store.version("corvane.general.hoverDelayMs"), 1);
    EXPECT_EQ(announced, std::vector<int>{1});
    store.reloadIfChanged();
    EXPECT_EQ(store.revision(), 1);
}
