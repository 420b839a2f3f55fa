#pragma once
// The battery, the power adapter and the heat of the machine, read from
// sysfs, for the guardrails and the panel's chips.
//
// Linux notes: /sys/class/power_supply/<name>/ has "type" ("Battery",
// "Mains", "USB", ...), and for a battery "capacity" (percent), "status"
// ("Charging", "Discharging", "Not charging", "Full") and "scope"
// ("Device" for a mouse or headset battery, which is not the machine's);
// adapters report "online" 0 or 1. /sys/class/thermal/thermal_zone<n>/
// has "temp" in millidegrees Celsius and trip points
// ("trip_point_<k>_type" and "_temp"). A zone's level goes by its trip
// points: below "passive" less 10 °C nominal, below "passive" fair, past it
// serious, within 5 °C of "critical" critical. A missing passive point is
// taken as the critical point less 20 °C and a missing critical point as
// the passive point plus 20 °C; a zone without either uses 85 °C and
// 100 °C. Trip temperatures of 0 or below mean "disabled".

#include <filesystem>
#include <optional>
#include <ostream>

#include "core/keepawake/ThermalLevel.h"

namespace corvane {

struct PowerReadings {
    std::optional<int> batteryPercent;  // none without a battery of the machine's own
    bool charging = false;
    // None when no adapter is listed; the guardrails then go by `charging`.
    std::optional<bool> onAC;
    std::optional<double> temperature;  // °C, the hottest zone
    ThermalLevel thermal = ThermalLevel::nominal;

    bool hasBattery() const { return batteryPercent.has_value(); }

    // Reads under `sysRoot` ("/sys" on a real machine). Missing folders and
    // unreadable files leave the fields at their defaults.
    static PowerReadings read(const std::filesystem::path& sysRoot = "/sys");

    // The level of one zone at `celsius` with the given trip points.
    static ThermalLevel zoneLevel(double celsius, std::optional<double> passive, std::optional<double> critical);

    bool operator==(const PowerReadings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PowerReadings& readings);

}  // namespace corvane
