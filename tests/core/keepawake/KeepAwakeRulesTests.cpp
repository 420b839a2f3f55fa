#include <gtest/gtest.h>

#include "core/keepawake/KeepAwakeRules.h"
#include "core/keepawake/KeepAwakeSettings.h"
#include "core/keepawake/WorkloadMatcher.h"
#include "core/notch/Keys.h"

using namespace corvane;
using Source = KeepAwakeRules::Source;

TEST(KeepAwakeRules, adding_trims_and_refuses_repeats_in_any_case_and_a_full_list)
{
    KeepAwakeRules rules;
    rules = rules.adding("org.mozilla.firefox \n").adding("ORG.Mozilla.Firefox").adding(" \t");
    EXPECT_EQ(rules.appBundleIDs, std::vector<std::string>{"org.mozilla.firefox"});
    EXPECT_EQ(rules.removing("Org.Mozilla.Firefox").appBundleIDs, std::vector<std::string>{});

    KeepAwakeRules full;
    for (int i = 0; i < 30; ++i)
        full = full.adding("org.example.app" + std::to_string(i));
    ASSERT_EQ(full.appBundleIDs.size(), 30u);
    EXPECT_EQ(full.adding("org.example.one-more"), full);
    EXPECT_TRUE(full.isValid());
}

TEST(KeepAwakeRules, validation_takes_reverse_dns_ids_listed_once)
{
    for (const char* good : {"org.videolan.VLC", "com.jetbrains.CLion_2024", "a.b", "org.gnome.Ptyxis-1"})
        EXPECT_TRUE(KeepAwakeRules::isValidAppID(good)) << good;
    for (const char* bad : {"mpv", ".org.x", "org.x.", "ab", "org.x;rm", "org.x y", "org.ünïcode"})
        EXPECT_FALSE(KeepAwakeRules::isValidAppID(bad)) << bad;
    EXPECT_FALSE(KeepAwakeRules::isValidAppID("org." + std::string(252, 'x')));

    KeepAwakeRules twice;
    twice.appBundleIDs = {"org.videolan.VLC", "org.videolan.vlc"};
    EXPECT_FALSE(twice.isValid());
}

TEST(KeepAwakeRules, the_sources_to_watch_follow_the_switches)
{
    KeepAwakeRules rules;  // agents and apps on, no apps listed
    EXPECT_EQ(rules.sources(false, true), std::set<Source>{});
    EXPECT_EQ(rules.sources(true, false), (std::set<Source>{Source::workloadScan, Source::powerSource}));
    EXPECT_EQ(rules.summary(), "2 of 4 rules on");

    KeepAwakeRules displayOnly{false, false, {"org.videolan.VLC"}, false, true};
    EXPECT_EQ(displayOnly.sources(true, false), (std::set<Source>{Source::powerSource, Source::displays}));
    // Step away scans for work even when the agents switch is off.
    EXPECT_EQ(displayOnly.sources(true, true),
              (std::set<Source>{Source::workloadScan, Source::powerSource, Source::displays}));

    KeepAwakeRules none{false, true, {"org.videolan.VLC"}, false, false};
    none.apps = false;
    EXPECT_EQ(none.sources(true, false), std::set<Source>{});
    EXPECT_EQ(none.summary(), "0 of 4 rules on");
}

TEST(KeepAwakeRules, stored_rules_read_key_by_key_and_keep_defaults_for_the_rest)
{
    auto rules = KeepAwakeRules::fromJson(Json::parse(R"({"power": true, "apps": "yes", "appBundleIDs": ["org.a.b", 7]})"));
    ASSERT_TRUE(rules);
    EXPECT_EQ(*rules, (KeepAwakeRules{true, true, {"org.a.b"}, true, false}));
    EXPECT_EQ(KeepAwakeRules::fromJson(rules->toJson()), rules);
    EXPECT_FALSE(KeepAwakeRules::fromJson(Json::array()));
}

TEST(KeepAwakeRules, workload_rules_are_checked_and_stored_entry_by_entry)
{
    EXPECT_TRUE(WorkloadRule::isValid("npm run build"));
    EXPECT_TRUE(WorkloadRule::isValid(std::string(100, 'x')));
    EXPECT_TRUE(WorkloadRule::isValid("größe-" + std::string(94, 'x')));  // 100 characters, more bytes
    EXPECT_FALSE(WorkloadRule::isValid(std::string(101, 'x')));
    EXPECT_FALSE(WorkloadRule::isValid(" \n "));
    EXPECT_FALSE(WorkloadRule::isValid("make\x7f"));
    EXPECT_FALSE(WorkloadRule::isValid("a\nb"));

    auto stored = Json::parse(R"([{"kind":"custom","match":"render","minCPU":0},
                                  {"kind":"robot","match":"x","minCPU":0},
                                  {"kind":"build","match":"bazel"},
                                  {"kind":"build","match":"bazel","minCPU":12.5}])");
    std::vector<WorkloadRule> expected{{WorkloadKind::custom, "render", 0}, {WorkloadKind::build, "bazel", 12.5}};
    EXPECT_EQ(WorkloadRule::listFromJson(stored), expected);
    EXPECT_EQ(WorkloadRule::listFromJson(WorkloadRule::listToJson(expected)), expected);
}

TEST(KeepAwakeSettings, records_round_trip_through_the_settings_store_and_damage_reads_as_defaults)
{
    MemoryDefaultsDomain defaults;
    SettingsStore settings(defaults);
    EXPECT_EQ(KeepAwakeSettings::rules(settings), KeepAwakeRules{});
    EXPECT_EQ(KeepAwakeSettings::guardrails(settings), (GuardrailPolicy{15, false}));
    EXPECT_EQ(KeepAwakeSettings::lidChoice(settings), LidChoice::sleepWhenDone);
    EXPECT_EQ(KeepAwakeSettings::graceSeconds(settings), 180);
    EXPECT_EQ(KeepAwakeSettings::scanRules(settings), WorkloadMatcher::defaultRules());

    KeepAwakeRules rules = KeepAwakeRules{}.adding("org.videolan.VLC");
    rules.display = true;
    KeepAwakeSettings::setRules(settings, rules);
    KeepAwakeSettings::setGuardrails(settings, {20, true});
    KeepAwakeSettings::setCustomRules(settings, {{WorkloadKind::custom, "render", 0}});
    KeepAwakeSettings::setLidChoice(settings, LidChoice::stayAwake);
    EXPECT_EQ(KeepAwakeSettings::rules(settings), rules);
    EXPECT_EQ(KeepAwakeSettings::guardrails(settings), (GuardrailPolicy{20, true}));
    EXPECT_EQ(KeepAwakeSettings::lidChoice(settings), LidChoice::stayAwake);
    EXPECT_EQ(KeepAwakeSettings::scanRules(settings).back(), (WorkloadRule{WorkloadKind::custom, "render", 0}));
    EXPECT_EQ(settings.get(Keys::keepAwakeLidChoice), "stayAwake");

    // Guardrails need both keys; a negative grace counts as none.
    settings.set(Keys::keepAwakeGuardrails, Json{{"batteryFloor", 30}});
    settings.set(Keys::keepAwakeGraceSeconds, -5);
    settings.set(Keys::keepAwakeLidChoice, std::string("sometimes"));
    EXPECT_EQ(KeepAwakeSettings::guardrails(settings), GuardrailPolicy{});
    EXPECT_EQ(KeepAwakeSettings::graceSeconds(settings), 0);
    EXPECT_EQ(KeepAwakeSettings::lidChoice(settings), LidChoice::sleepWhenDone);
}
