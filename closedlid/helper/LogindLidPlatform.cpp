#include "closedlid/helper/LogindLidPlatform.h"

#include "core/keepawake/PowerReadings.h"

namespace corvane {

LogindLidPlatform::LogindLidPlatform(std::filesystem::path recordPath, std::filesystem::path sysRoot,
                                     std::string busAddress)
    : record_(std::move(recordPath)), sysRoot_(std::move(sysRoot)), inhibitor_(std::move(busAddress))
{
}

bool LogindLidPlatform::setSleepDisabled(bool disabled)
{
    if (disabled)
        return inhibitor_.take();
    inhibitor_.drop();
    return true;
}

std::optional<LidBattery> LogindLidPlatform::readBattery()
{
    PowerReadings readings = PowerReadings::read(sysRoot_);
    if (!readings.hasBattery())
        return std::nullopt;
    return LidBattery{readings.batteryPercent, readings.charging, readings.onAC.value_or(false)};
}

ThermalLevel LogindLidPlatform::readThermal() { return PowerReadings::read(sysRoot_).thermal; }

}  // namespace corvane
