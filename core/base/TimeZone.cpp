// Calendars in the zones of the system's database.

#include <cstdlib>
#include <exception>

#include <date/tz.h>

#include "core/base/CalendarZone.h"

namespace corvane {

namespace {

class DatabaseZone final : public Calendar::Zone {
public:
    explicit DatabaseZone(const date::time_zone* zone, std::string name) : Zone(std::move(name)), zone_(zone) {}

    date::local_seconds toLocal(date::sys_seconds time) const override { return zone_->to_local(time); }

    std::chrono::seconds offsetOfLocal(date::local_seconds time) const override
    {
        return zone_->get_info(time).first.offset;
    }

private:
    const date::time_zone* zone_;
};

const date::time_zone* locate(const std::string& name)
{
    try {
        return date::locate_zone(name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

Calendar Calendar::local()
{
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (auto named = Calendar::named(name))
            return *named;
    }
    try {
        const date::time_zone* current = date::current_zone();
        return Calendar(std::make_shared<const DatabaseZone>(current, std::string(current->name())));
    } catch (const std::exception&) {
        return utc();
    }
}

Result<Calendar> Calendar::named(const std::string& name)
{
    if (name == "UTC")
        return utc();
    const date::time_zone* zone = locate(name);
    if (zone == nullptr)
        return fail(Error::make(Error::Code::NotFound, "locate time zone", name));
    return Calendar(std::make_shared<const DatabaseZone>(zone, name));
}

}  // namespace corvane
