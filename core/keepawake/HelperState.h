#pragma once
// The closed-lid helper as the keep-awake planner sees it.

namespace corvane {

enum class HelperState { unknown, notInstalled, needsUpdate, needsRepair, unreachable, installing, ready };

// The user has to allow (or allow again) the helper before it can work.
constexpr bool needsApproval(HelperState state)
{
    return state == HelperState::notInstalled || state == HelperState::needsUpdate
        || state == HelperState::needsRepair || state == HelperState::unreachable;
}

// The installed helper must be replaced whatever the lid choice.
constexpr bool mustReplace(HelperState state)
{
    return state == HelperState::needsUpdate || state == HelperState::needsRepair;
}

}  // namespace corvane
