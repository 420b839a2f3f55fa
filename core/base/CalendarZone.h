#pragma once
// The rules of a calendar's zone. The base is UTC; zones from the system's
// database derive from it in TimeZone.cpp, so code that needs only UTC links
// without the zone library.

#include <chrono>
#include <string>

#include <date/date.h>

#include "core/base/Time.h"

namespace corvane {

struct Calendar::Zone {
    explicit Zone(std::string zoneName) : name(std::move(zoneName)) {}
    virtual ~Zone() = default;

    virtual date::local_seconds toLocal(date::sys_seconds time) const;
    // The offset of a local time (the earlier one when ambiguous; a skipped
    // hour maps forward by the old offset).
    virtual std::chrono::seconds offsetOfLocal(date::local_seconds time) const;

    std::string name;
};

}  // namespace corvane
