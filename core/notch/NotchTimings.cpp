#include "core/notch/NotchTimings.h"

#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

NotchTimings NotchTimings::from(SettingsStore& settings)
{
    return NotchTimings{
        .dwellSeconds = dwellFromMilliseconds(settings.get(Keys::hoverDelayMs)),
        .collapseSeconds = collapseFromMilliseconds(settings.get(Keys::collapseDelayMs)),
        .openOnHover = settings.get(Keys::openOnHover),
    };
}

}  // namespace corvane
