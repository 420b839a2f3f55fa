#pragma once
// What a module holds to raise alerts: its own id and the way into the
// alert pipeline. One per module.

#include <string>
#include <utility>

#include "core/notch/AlertPipeline.h"

namespace corvane {

class ModuleContext {
public:
    ModuleContext(std::string moduleID, AlertPipeline& pipeline)
        : moduleID_(std::move(moduleID))
        , pipeline_(pipeline)
    {
    }

    const std::string& moduleID() const { return moduleID_; }
    EventDecision post(const AlertPost& alert) { return pipeline_.post(moduleID_, alert); }

private:
    std::string moduleID_;
    AlertPipeline& pipeline_;
};

}  // namespace corvane
