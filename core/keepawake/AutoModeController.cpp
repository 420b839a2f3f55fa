#include "core/keepawake/AutoModeController.h"

#include <algorithm>

#include "core/keepawake/Overloaded.h"

namespace corvane {

AutoModeController::AutoModeController(double graceSeconds)
    : grace_(std::max(0.0, graceSeconds))
{
}

AutoDecision AutoModeController::update(const std::vector<Workload>& active, WallTime now)
{
    if (!active.empty()) {
        bool alreadyHolding = holding_ && !graceUntil_;
        holding_ = true;
        graceUntil_.reset();
        return alreadyHolding ? AutoDecision::none() : AutoDecision::hold(active.front().label);
    }
    if (!holding_)
        return AutoDecision::none();
    if (!graceUntil_) {
        graceUntil_ = now.plusSeconds(grace_);
        return AutoDecision::releaseAfterGrace(*graceUntil_);
    }
    if (now >= *graceUntil_) {
        holding_ = false;
        graceUntil_.reset();
        return AutoDecision::release(true);
    }
    return AutoDecision::none();
}

std::ostream& operator<<(std::ostream& out, const AutoDecision& decision)
{
    std::visit(Overloaded{
        [&](const AutoDecision::Hold& hold) { out << "hold(" << hold.reason << ")"; },
        [&](const AutoDecision::ReleaseAfterGrace& grace) { out << "releaseAfterGrace(" << iso8601(grace.until) << ")"; },
        [&](const AutoDecision::Release& release) { out << "release(workDone: " << release.workDone << ")"; },
        [&](const AutoDecision::None&) { out << "none"; },
    }, decision.value);
    return out;
}

}  // namespace corvane
