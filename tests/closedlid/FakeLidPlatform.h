#pragma once
// A lid platform that remembers what the machine did to it and fails on demand.

#include <optional>

#include "closedlid/LidHoldPlatform.h"

namespace corvane::testing {

class FakeLidPlatform final : public LidHoldPlatform {
public:
    bool sleepDisabled = false;
    bool readable = true;
    bool settingWorks = true;
    bool savingWorks = true;
    std::optional<LidBattery> battery;
    ThermalLevel thermal = ThermalLevel::nominal;
    std::optional<LidHoldRecord> record;
    int saves = 0;

    std::optional<bool> readSleepDisabled() override
    {
        return readable ? std::optional<bool>(sleepDisabled) : std::nullopt;
    }
    bool setSleepDisabled(bool disabled) override
    {
        if (!settingWorks)
            return false;
        sleepDisabled = disabled;
        return true;
    }
    std::optional<LidBattery> readBattery() override { return battery; }
    ThermalLevel readThermal() override { return thermal; }
    bool saveRecord(const LidHoldRecord& saved) override
    {
        if (!savingWorks)
            return false;
        ++saves;
        record = saved;
        return true;
    }
    std::optional<LidHoldRecord> loadRecord() override { return record; }
    bool removeRecord() override
    {
        record.reset();
        return true;
    }
};

}  // namespace corvane::testing
