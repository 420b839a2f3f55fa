#pragma once
// The helper's real platform: the lid is held by logind's lid-switch
// inhibitor, battery and heat come from sysfs, and the hold record lives in
// the helper's state folder.

#include <filesystem>
#include <string>

#include "closedlid/LidHoldPlatform.h"
#include "closedlid/helper/HoldRecordFile.h"
#include "closedlid/helper/LidSwitchInhibitor.h"

namespace corvane {

class LogindLidPlatform final : public LidHoldPlatform {
public:
    LogindLidPlatform(std::filesystem::path recordPath, std::filesystem::path sysRoot, std::string busAddress = {});

    std::optional<bool> readSleepDisabled() override { return inhibitor_.isHeld(); }
    bool setSleepDisabled(bool disabled) override;
    std::optional<LidBattery> readBattery() override;
    ThermalLevel readThermal() override;
    bool saveRecord(const LidHoldRecord& record) override { return record_.save(record); }
    std::optional<LidHoldRecord> loadRecord() override { return record_.load(); }
    bool removeRecord() override { return record_.remove(); }

private:
    HoldRecordFile record_;
    std::filesystem::path sysRoot_;
    LidSwitchInhibitor inhibitor_;
};

}  // namespace corvane
