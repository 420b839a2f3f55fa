#pragma once
// What the hold machine asks of the system, so that it runs the same over
// the real lid inhibitor and over a fake in tests.

#include <optional>

#include "closedlid/ClosedLidRecords.h"
#include "core/keepawake/ThermalLevel.h"

namespace corvane {

class LidHoldPlatform {
public:
    virtual ~LidHoldPlatform() = default;
    // Whether the lid switch is kept from sleeping the machine; none when it cannot be read.
    virtual std::optional<bool> readSleepDisabled() = 0;
    virtual bool setSleepDisabled(bool disabled) = 0;
    virtual std::optional<LidBattery> readBattery() = 0;
    virtual ThermalLevel readThermal() = 0;
    virtual bool saveRecord(const LidHoldRecord& record) = 0;
    // A record that exists but does not decode comes back empty, so it is still cleaned up.
    virtual std::optional<LidHoldRecord> loadRecord() = 0;
    virtual bool removeRecord() = 0;
};

}  // namespace corvane
