#include "core/notch/AppEvent.h"

namespace corvane::EventKey {

std::string derive(const std::optional<std::string>& explicitKey, const std::optional<std::string>& project,
                   const std::optional<std::string>& title, const std::optional<std::string>& body)
{
    if (explicitKey)
        return *explicitKey;
    if (project)
        return *project;
    return title.value_or("") + "|" + body.value_or("");
}

}  // namespace corvane::EventKey
