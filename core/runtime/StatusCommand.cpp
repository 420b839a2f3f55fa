#include "core/runtime/StatusCommand.h"

#include <cstdlib>

#include "core/base/Files.h"
#include "core/base/JsonStore.h"
#include "core/keepawake/KeepAwakeLog.h"
#include "core/notch/KnownPaths.h"
#include "core/runtime/DevServerScanner.h"

namespace corvane {

namespace {

Json keepAwakeObject(const std::optional<std::string>& bytes)
{
    std::optional<KeepAwakeLog> log;
    if (bytes)
        log = KeepAwakeLog::decode(*bytes);
    if (!log || log->entries.empty())
        return Json{{"lastEvent", nullptr}};
    const KeepAwakeLogEntry& last = log->entries.back();
    return Json{{"lastEvent", rawValue(last.event)}, {"reason", last.reason}, {"at", iso8601(last.date)}};
}

}  // namespace

std::string StatusCommand::document(const std::vector<DevServer>& servers,
                                    const std::optional<std::string>& keepAwakeLog)
{
    Json list = Json::array();
    for (const DevServer& server : servers) {
        list.push_back(Json{
            {"framework", title(server.framework)},
            {"pid", server.listener.pid},
            {"port", server.listener.port},
            {"project", server.project ? Json(*server.project) : Json(nullptr)},
        });
    }
    Json document{
        {"app", productName},
        {"devServers", std::move(list)},
        {"keepAwake", keepAwakeObject(keepAwakeLog)},
        {"version", version},
    };
    // Objects keep their keys sorted; ill-formed UTF-8 in a folder name is
    // replaced rather than failing the whole document.
    return document.dump(2, ' ', false, Json::error_handler_t::replace);
}

std::filesystem::path StatusCommand::keepAwakeLogPath(const std::optional<std::string>& dataHome,
                                                      const std::filesystem::path& home)
{
    KnownPaths::Environment environment;
    if (dataHome)
        environment.emplace("XDG_DATA_HOME", *dataHome);
    return KnownPaths::supportRootFor(false, environment, home, {}, 0) / KnownPaths::baseFolder
        / KeepAwakeLog::fileName;
}

std::string StatusCommand::run()
{
    DevServerScanner scanner;
    auto servers = scanner.servers();
    std::optional<std::string> dataHome;
    if (const char* value = std::getenv("XDG_DATA_HOME"))
        dataHome = value;
    auto bytes = readFileCapped(keepAwakeLogPath(dataHome, KnownPaths::current().home()), KeepAwakeLog::maxFileBytes);
    return document(servers, bytes ? std::optional<std::string>(std::move(*bytes)) : std::nullopt);
}

}  // namespace corvane
