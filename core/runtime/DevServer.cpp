#include "core/runtime/DevServer.h"

namespace corvane {

std::string listenerID(const Listener& listener)
{
    return std::to_string(listener.pid) + ":" + std::to_string(listener.port);
}

std::string DevServer::title() const
{
    return framework == Framework::other ? name : std::string(corvane::title(framework));
}

std::ostream& operator<<(std::ostream& out, const DevServer& server)
{
    out << "DevServer{" << server.listener << ", " << server.identity << ", " << server.name << ", "
        << rawValue(server.runtime) << ", " << rawValue(server.framework) << ", project "
        << server.project.value_or("(none)") << ", cwd " << server.cwd.value_or("(none)") << ", \"" << server.command
        << "\", " << rawValue(server.category) << ", pgid " << server.pgid << "}";
    return out;
}

}  // namespace corvane
