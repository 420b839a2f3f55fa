#include <set>

#include <gtest/gtest.h>

#include "core/notch/EarRoute.h"
#include "core/notch/Keys.h"
#include "core/notch/ModuleCatalog.h"

using namespace corvane;

TEST(SettingCodec, numbers_lists_and_optionals_decode_only_in_their_own_shape)
{
    EXPECT_EQ(decodeSetting<int>("150.0"), 150);
    EXPECT_EQ(decodeSetting<int>("150.5"), std::nullopt);
    EXPECT_EQ(decodeSetting<int>("4294967296"), std::nullopt);
    EXPECT_EQ(decodeSetting<int>("true"), std::nullopt);
    EXPECT_EQ(decodeSetting<double>("6"), 6.0);
    EXPECT_EQ(decodeSetting<bool>("1"), std::nullopt);
    EXPECT_EQ(decodeSetting<IntList>("[75, 90]"), (IntList{75, 90}));
    EXPECT_EQ(decodeSetting<IntList>("[75, \"90\"]"), std::nullopt);
    EXPECT_EQ(decodeSetting<OptionalString>("null"), std::optional<OptionalString>(OptionalString{}));
    EXPECT_EQ(decodeSetting<OptionalString>("\"1.4.0\""), std::optional<OptionalString>("1.4.0"));
    EXPECT_EQ(decodeSetting<OptionalString>("3"), std::nullopt);
    EXPECT_EQ(decodeSetting<EarWidth>("\"wide\""), EarWidth::wide);
    EXPECT_EQ(decodeSetting<EarWidth>("\"Wide\""), std::nullopt);
    EXPECT_EQ(decodeSetting<bool>("tru"), std::nullopt);
}

TEST(Keys, enum_keys_default_to_the_case_the_catalogue_names)
{
    EXPECT_EQ(Keys::display.defaultValue, EnumCases<DisplayChoice>::cases[1].first);
    EXPECT_EQ(Keys::restingLeft.defaultValue, firstCase<RestingEarContent>());
    EXPECT_EQ(Keys::restingRight.defaultValue, firstCase<RestingEarContent>());
    EXPECT_EQ(Keys::earWidth.defaultValue, firstCase<EarWidth>());
    EXPECT_EQ(Keys::notchTheme.defaultValue, firstCase<NotchTheme>());
    EXPECT_EQ(Keys::notchGlass.defaultValue, firstCase<NotchGlass>());
    EXPECT_EQ(Keys::alertCardSize.defaultValue, firstCase<AlertCardSize>());
    EXPECT_EQ(Keys::notificationGrouping.defaultValue, firstCase<NotificationGrouping>());
    EXPECT_EQ(Keys::alertStyle.defaultValue, AlertStyle::card);
    EXPECT_EQ(Keys::copyToastMode.defaultValue, CopyToastMode::actionable);
}

TEST(Keys, ear_route_switches_are_named_after_their_route_and_on_for_the_first_nine)
{
    EXPECT_EQ(EarRouteSwitch::enabled(EarRoute::aiAttention).storageKey(), "corvane.notch.earRoute.aiAttention");
    EXPECT_TRUE(EarRouteSwitch::enabled(EarRoute::updateReady).defaultValue);
    EXPECT_FALSE(EarRouteSwitch::enabled(EarRoute::aiWorking).defaultValue);
    EXPECT_NE(SettingsIndex::find("corvane.notch.earRoute.nowPlaying"), nullptr);
    EXPECT_NE(SettingsIndex::find("corvane.notch.musicGlanceMinutes"), nullptr);
}

TEST(SettingsIndex, every_key_is_prefixed_unique_and_checked_by_its_type)
{
    auto keys = SettingsIndex::storageKeys();
    std::set<std::string> unique(keys.begin(), keys.end());
    EXPECT_EQ(unique.size(), keys.size());
    for (const auto& key : keys)
        EXPECT_TRUE(key.starts_with("corvane.")) << key;

    // 191 catalogue constants and 13 ear-route switches, then one entry per
    // module and per alert kind.
    std::size_t perModuleAndKind = ModuleCatalog::all().size() + ModuleCatalog::allAlertKinds().size();
    EXPECT_EQ(SettingsIndex::entries().size(), 191 + 13 + perModuleAndKind + 5);

    const IndexedKey* delay = SettingsIndex::find("corvane.general.hoverDelayMs");
    ASSERT_NE(delay, nullptr);
    EXPECT_TRUE(delay->decodes("150"));
    EXPECT_FALSE(delay->decodes("\"150\""));
    const IndexedKey* style = SettingsIndex::find("corvane.alert.vitals.hot.style");
    ASSERT_NE(style, nullptr);
    EXPECT_TRUE(style->decodes("\"ear\""));
    EXPECT_FALSE(style->decodes("\"ears\""));
    EXPECT_NE(SettingsIndex::find("corvane.alert.pet.chatAnswer.petRoute"), nullptr);
    EXPECT_NE(SettingsIndex::find("corvane.module.keepAwake.ears"), nullptr);
    EXPECT_NE(SettingsIndex::find("corvane.away.forward.ai.stuck"), nullptr);
    EXPECT_EQ(SettingsIndex::find("corvane.alert.made.up.enabled"), nullptr);
}

TEST(SettingKey, switch_factories_build_the_dotted_names)
{
    EXPECT_EQ(AlertSwitch::rateLimitSec("network.offline", 60).storageKey(), "corvane.alert.network.offline.rateLimitSec");
    EXPECT_EQ(AlertSwitch::petRoute("ai.finished").defaultValue, PetRoute::pet);
    EXPECT_EQ(ModuleSwitch::ears("media").storageKey(), "corvane.module.media.ears");
    EXPECT_TRUE(ModuleSwitch::ears("media").defaultValue);
}
