#include <fstream>

#include <gtest/gtest.h>

#include "core/keepawake/GuardrailPolicy.h"
#include "core/keepawake/PowerReadings.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using Json = nlohmann::json;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

const WallTime now = WallTime::fromUnixSeconds(1772356500);
const WallTime later = now.plusSeconds(3600);

GuardrailDecision decide(GuardrailPolicy policy, std::optional<int> percent, bool charging,
                         ThermalLevel thermal = ThermalLevel::nominal, std::optional<bool> onAC = std::nullopt,
                         WallTime deadline = later)
{
    return policy.decide({thermal, percent, charging, onAC, now, deadline});
}

// A fake sysfs tree: attribute files with one line each.
struct SysTree {
    TemporaryFolder folder;

    void write(const std::string& relative, const std::string& value)
    {
        fs::path file = folder / ("class/" + relative);
        fs::create_directories(file.parent_path());
        std::ofstream(file) << value << "\n";
    }
    void supply(const std::string& name, const std::map<std::string, std::string>& attributes)
    {
        for (const auto& [key, value] : attributes)
            write("power_supply/" + name + "/" + key, value);
    }
    void zone(int number, long milli, std::vector<std::pair<std::string, long>> trips = {})
    {
        std::string base = "thermal/thermal_zone" + std::to_string(number) + "/";
        write(base + "temp", std::to_string(milli));
        for (std::size_t at = 0; at < trips.size(); ++at) {
            write(base + "trip_point_" + std::to_string(at) + "_type", trips[at].first);
            write(base + "trip_point_" + std::to_string(at) + "_temp", std::to_string(trips[at].second));
        }
    }
    PowerReadings read() const { return PowerReadings::read(folder.path()); }
};

}  // namespace

TEST(GuardrailPolicy, the_battery_floor_is_at_least_five_and_strict)
{
    EXPECT_EQ(decide({3, false}, 4, false), GuardrailDecision::stop(StopReason::battery));
    EXPECT_EQ(decide({3, false}, 5, false), GuardrailDecision::ok());
    EXPECT_EQ(decide({20, false}, 19, false), GuardrailDecision::stop(StopReason::battery));
    EXPECT_EQ(decide({20, false}, 20, false), GuardrailDecision::ok());
    // Charging never stops for the battery, however low.
    EXPECT_EQ(decide({20, false}, 2, true), GuardrailDecision::ok());
}

TEST(GuardrailPolicy, charging_only_stops_when_unplugged_and_machines_without_battery_never_do)
{
    EXPECT_EQ(decide({15, true}, 2, true, ThermalLevel::nominal, false), GuardrailDecision::stop(StopReason::unplugged));
    EXPECT_EQ(decide({15, true}, 80, false), GuardrailDecision::stop(StopReason::unplugged));  // AC follows charging
    EXPECT_EQ(decide({15, true}, 80, false, ThermalLevel::nominal, true), GuardrailDecision::ok());  // full, on AC
    EXPECT_EQ(decide({15, true}, std::nullopt, false, ThermalLevel::nominal, false), GuardrailDecision::ok());
}

TEST(GuardrailPolicy, a_passed_deadline_wins_then_critical_heat_then_the_battery)
{
    EXPECT_EQ(decide({15, false}, 3, false, ThermalLevel::critical, std::nullopt, now),
              GuardrailDecision::stop(StopReason::deadline));
    EXPECT_EQ(decide({15, false}, 3, false, ThermalLevel::critical), GuardrailDecision::stop(StopReason::thermal));
    EXPECT_EQ(decide({15, false}, 50, false, ThermalLevel::serious), GuardrailDecision::warnThermal());
    EXPECT_EQ(decide({15, false}, 50, false, ThermalLevel::fair), GuardrailDecision::ok());
}

TEST(GuardrailPolicy, auto_mode_pauses_only_for_heat_and_a_low_battery)
{
    GuardrailPolicy chargingOnly{15, true};
    EXPECT_EQ(KeepAwakeGuards::evaluate(ThermalLevel::critical, 3, false, false, chargingOnly), KeepAwakeGuard::hot);
    EXPECT_EQ(KeepAwakeGuards::evaluate(ThermalLevel::serious, 3, false, false, chargingOnly),
              KeepAwakeGuard::lowBattery);
    EXPECT_EQ(KeepAwakeGuards::evaluate(ThermalLevel::serious, 60, false, false, chargingOnly), std::nullopt);
    EXPECT_EQ(thermalLevel(3), ThermalLevel::critical);
    EXPECT_EQ(thermalLevel(7), ThermalLevel::serious);
}

TEST(GuardrailPolicy, stored_policies_need_both_keys)
{
    EXPECT_EQ(GuardrailPolicy::fromJson(Json::parse(R"({"batteryFloor": 25.0, "onlyWhileCharging": true})")),
              (GuardrailPolicy{25, true}));
    EXPECT_FALSE(GuardrailPolicy::fromJson(Json::parse(R"({"batteryFloor": 25})")));
    EXPECT_FALSE(GuardrailPolicy::fromJson(Json::parse(R"({"batteryFloor": 2.5, "onlyWhileCharging": true})")));
    EXPECT_EQ(GuardrailPolicy::fromJson(GuardrailPolicy{}.toJson()), GuardrailPolicy{});
}

TEST(PowerReadings, a_laptop_reports_its_battery_adapter_and_hottest_zone)
{
    SysTree sys;
    sys.supply("AC", {{"type", "Mains"}, {"online", "1"}});
    sys.supply("BAT0", {{"type", "Battery"}, {"capacity", "12"}, {"status", "Charging"}, {"scope", "System"}});
    sys.supply("hidpp_battery_0", {{"type", "Battery"}, {"capacity", "3"}, {"status", "Discharging"}, {"scope", "Device"}});
    sys.zone(0, 48000, {{"critical", 105000}});
    sys.zone(1, 91500, {{"passive", 0}, {"passive", 95000}, {"critical", 110000}});
    sys.zone(2, -273000);

    PowerReadings readings = sys.read();
    EXPECT_EQ(readings.batteryPercent, 12);
    EXPECT_TRUE(readings.charging);
    EXPECT_EQ(readings.onAC, true);
    EXPECT_EQ(readings.temperature, 91.5);
    EXPECT_EQ(readings.thermal, ThermalLevel::fair);

    // Unplugged, discharging below the floor: the guardrail stops.
    sys.write("power_supply/AC/online", "0");
    sys.write("power_supply/BAT0/status", "Discharging");
    readings = sys.read();
    EXPECT_EQ(readings.onAC, false);
    EXPECT_EQ(GuardrailPolicy{}.decide({readings.thermal, readings.batteryPercent, readings.charging, readings.onAC, now,
                                        later}),
              GuardrailDecision::stop(StopReason::battery));
}

TEST(PowerReadings, a_desktop_without_supplies_reads_as_no_battery_and_unknown_adapter)
{
    SysTree sys;
    sys.supply("BAT1", {{"type", "Battery"}, {"capacity", "full"}});
    PowerReadings readings = sys.read();
    EXPECT_FALSE(readings.hasBattery());
    EXPECT_EQ(readings.onAC, std::nullopt);
    EXPECT_EQ(readings.temperature, std::nullopt);
    EXPECT_EQ(readings.thermal, ThermalLevel::nominal);
    EXPECT_EQ(PowerReadings::read("/nonexistent/sys"), PowerReadings{});
}

TEST(PowerReadings, zone_levels_follow_the_trip_points)
{
    EXPECT_EQ(PowerReadings::zoneLevel(84.9, 95, 110), ThermalLevel::nominal);
    EXPECT_EQ(PowerReadings::zoneLevel(85, 95, 110), ThermalLevel::fair);
    EXPECT_EQ(PowerReadings::zoneLevel(95, 95, 110), ThermalLevel::serious);
    EXPECT_EQ(PowerReadings::zoneLevel(105, 95, 110), ThermalLevel::critical);
    // Without a passive point it sits 20 °C under the critical one; without either, at 85 °C.
    EXPECT_EQ(PowerReadings::zoneLevel(86, std::nullopt, 105), ThermalLevel::serious);
    EXPECT_EQ(PowerReadings::zoneLevel(84, std::nullopt, std::nullopt), ThermalLevel::fair);
    EXPECT_EQ(PowerReadings::zoneLevel(95, std::nullopt, std::nullopt), ThermalLevel::critical);
}
