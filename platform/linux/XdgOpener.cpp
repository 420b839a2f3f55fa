#include "platform/linux/XdgOpener.h"

#include <cstdlib>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "core/base/Log.h"
#include "core/base/ProcessRunner.h"

namespace corvane::platform {

namespace {

const Logger logger("open");

}  // namespace

XdgOpener::XdgOpener(QDBusConnection bus, std::string program, int replyTimeoutMs)
    : bus_(std::move(bus)), program_(std::move(program)), replyTimeoutMs_(replyTimeoutMs)
{
}

Result<void> XdgOpener::open(const OpenTarget& target)
{
    std::string program = program_;
    if (program.find('/') == std::string::npos) {
        const char* path = std::getenv("PATH");
        auto found = findProgram(program, path != nullptr ? path : "/usr/bin:/bin");
        if (!found)
            return fail(Error::make(Error::Code::Unavailable, "open", program + " is not installed"));
        program = *found;
    }
    // The target is an http(s) address or an absolute path: never taken for an option.
    if (!QProcess::startDetached(QString::fromStdString(program), {QString::fromStdString(target.text())}))
        return fail(Error::make(Error::Code::Io, "open", "cannot start " + program));
    return {};
}

void XdgOpener::reveal(const std::vector<std::filesystem::path>& paths)
{
    if (paths.empty())
        return;
    QStringList uris;
    for (const auto& path : paths)
        uris.push_back(QUrl::fromLocalFile(QString::fromStdString(path.string())).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerInterface,
                                                       QStringLiteral("ShowItems"));
    call << uris << QString();  // no startup notification id
    // A child of the context: a reply that comes after the opener went finds nobody.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, replyTimeoutMs_), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, folder = paths.front().parent_path()](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (!finished->isError())
                             return;
                         logger.info("no file manager answered ({}); opening the folder",
                                     finished->error().name().toStdString());
                         auto target = OpenTarget::file(folder.string());
                         auto opened = target ? open(*target)
                                              : Result<void>(fail(Error::make(Error::Code::Invalid, "open",
                                                                              "the folder does not open safely")));
                         if (!opened)
                             logger.warning("cannot show the files: {}", opened.error().message());
                     });
}

}  // namespace corvane::platform
