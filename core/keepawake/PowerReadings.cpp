#include "core/keepawake/PowerReadings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "core/base/Files.h"
#include "core/keepawake/KeepAwakeText.h"

namespace corvane {

namespace {

namespace fs = std::filesystem;

// A sysfs attribute is at most one page, and says so in its size.
constexpr std::size_t attributeCap = 4096;

std::optional<std::string> attribute(const fs::path& folder, const char* name)
{
    auto text = readFileCapped(folder / name, attributeCap);
    if (!text)
        return std::nullopt;
    return std::string(KeepAwakeText::trimmed(*text));
}

std::optional<long> numberAttribute(const fs::path& folder, const std::string& name)
{
    auto text = attribute(folder, name.c_str());
    if (!text)
        return std::nullopt;
    long value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return value;
}

// Entries of a folder in name order, so the first battery is always the same one.
std::vector<fs::path> entries(const fs::path& folder, std::string_view prefix)
{
    std::vector<fs::path> out;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().filename().string().starts_with(prefix))
            out.push_back(entry.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

void readSupplies(const fs::path& root, PowerReadings& readings)
{
    long percentSum = 0;
    int batteries = 0;
    for (const fs::path& supply : entries(root / "class/power_supply", "")) {
        auto type = attribute(supply, "type");
        if (!type)
            continue;
        if (*type == "Battery") {
            if (attribute(supply, "scope") == "Device")
                continue;  // a mouse's or a headset's battery
            auto capacity = numberAttribute(supply, "capacity");
            if (!capacity)
                continue;
            percentSum += std::clamp(*capacity, 0L, 100L);
            ++batteries;
            if (attribute(supply, "status") == "Charging")
                readings.charging = true;
        } else if (auto online = numberAttribute(supply, "online")) {
            readings.onAC = readings.onAC.value_or(false) || *online == 1;
        }
    }
    if (batteries > 0)
        readings.batteryPercent = static_cast<int>(std::lround(static_cast<double>(percentSum) / batteries));
}

void readZones(const fs::path& root, PowerReadings& readings)
{
    for (const fs::path& zone : entries(root / "class/thermal", "thermal_zone")) {
        auto milli = numberAttribute(zone, "temp");
        if (!milli || *milli <= 0)
            continue;  // a sensor that reads nothing useful
        double celsius = static_cast<double>(*milli) / 1000;
        std::optional<double> passive;
        std::optional<double> critical;
        for (int point = 0; point < 32; ++point) {
            std::string prefix = "trip_point_" + std::to_string(point);
            auto type = attribute(zone, (prefix + "_type").c_str());
            if (!type)
                break;
            auto tripMilli = numberAttribute(zone, prefix + "_temp");
            if (!tripMilli || *tripMilli <= 0)
                continue;
            double trip = static_cast<double>(*tripMilli) / 1000;
            if (*type == "passive")
                passive = std::min(passive.value_or(trip), trip);
            else if (*type == "critical")
                critical = std::min(critical.value_or(trip), trip);
        }
        readings.temperature = std::max(readings.temperature.value_or(celsius), celsius);
        readings.thermal = std::max(readings.thermal, PowerReadings::zoneLevel(celsius, passive, critical));
    }
}

}  // namespace

ThermalLevel PowerReadings::zoneLevel(double celsius, std::optional<double> passive, std::optional<double> critical)
{
    double criticalPoint = critical.value_or(passive ? *passive + 20 : 100);
    double passivePoint = passive.value_or(critical ? *critical - 20 : 85);
    if (celsius >= criticalPoint - 5)
        return ThermalLevel::critical;
    if (celsius >= passivePoint)
        return ThermalLevel::serious;
    if (celsius >= passivePoint - 10)
        return ThermalLevel::fair;
    return ThermalLevel::nominal;
}

PowerReadings PowerReadings::read(const fs::path& sysRoot)
{
    PowerReadings readings;
    readSupplies(sysRoot, readings);
    readZones(sysRoot, readings);
    return readings;
}

std::ostream& operator<<(std::ostream& out, const PowerReadings& readings)
{
    out << "PowerReadings{";
    if (readings.batteryPercent)
        out << "battery " << *readings.batteryPercent << "%" << (readings.charging ? " charging" : "") << ", ";
    if (readings.onAC)
        out << (*readings.onAC ? "on AC" : "unplugged") << ", ";
    if (readings.temperature)
        out << *readings.temperature << " °C, ";
    return out << rawValue(readings.thermal) << "}";
}

}  // namespace corvane
