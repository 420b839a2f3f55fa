#pragma once
// Opening through the desktop: targets go to `xdg-open`, started detached so
// that the browser or viewer it starts is not our child and outlives us; the
// file manager is asked over D-Bus (org.freedesktop.FileManager1.ShowItems)
// to show files selected, and when none answers the first file's folder is
// opened instead.

#include <string>

#include <QDBusConnection>
#include <QObject>

#include "platform/Opener.h"

namespace corvane::platform {

class XdgOpener final : public Opener {
public:
    static constexpr const char* fileManagerService = "org.freedesktop.FileManager1";
    static constexpr const char* fileManagerPath = "/org/freedesktop/FileManager1";
    static constexpr const char* fileManagerInterface = "org.freedesktop.FileManager1";

    // `program` is looked up on PATH unless it is a path; tests hand in a
    // private bus and a program of their own.
    explicit XdgOpener(QDBusConnection bus = QDBusConnection::sessionBus(), std::string program = "xdg-open",
                       int replyTimeoutMs = 5'000);

    Result<void> open(const OpenTarget& target) override;
    void reveal(const std::vector<std::filesystem::path>& paths) override;

private:
    QDBusConnection bus_;
    std::string program_;
    int replyTimeoutMs_;
    // Owns the calls waiting for the file manager.
    QObject context_;
};

}  // namespace corvane::platform
