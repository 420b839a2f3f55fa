#include "core/notch/HookRateLimiter.h"

#include <iterator>

namespace corvane {

bool HookRateLimiter::allow(const std::string& project, WallTime now)
{
    if (last_ && now.secondsSince(*last_) < global)
        return false;
    if (auto entry = byProject_.find(project); entry != byProject_.end() && now.secondsSince(entry->second) < perProject)
        return false;

    last_ = now;
    byProject_.insert_or_assign(project, now);
    if (byProject_.size() > capacity) {
        std::erase_if(byProject_, [now](const auto& item) { return now.secondsSince(item.second) >= perProject; });
        // Still full of recent projects: forget them rather than grow without bound.
        if (byProject_.size() > capacity)
            byProject_ = {{project, now}};
    }
    return true;
}

}  // namespace corvane
