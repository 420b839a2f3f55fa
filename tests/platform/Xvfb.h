#pragma once
// A private X server for one test: Xvfb on a display number it picks
// itself, no TCP, torn down with the object. Not running when Xvfb is not
// installed or does not start.

#include <chrono>

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace corvane::testing {

class Xvfb {
public:
    static bool isInstalled() { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }

    explicit Xvfb(int width = 1280, int height = 800)
    {
        if (!isInstalled())
            return;
        server_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                               QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        // It writes the display number once it accepts clients.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!server_.canReadLine() && std::chrono::steady_clock::now() < deadline
               && server_.state() != QProcess::NotRunning)
            server_.waitForReadyRead(100);
        if (server_.canReadLine())
            display_ = QStringLiteral(":") + QString::fromLatin1(server_.readLine()).trimmed();
    }
    ~Xvfb()
    {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        server_.waitForFinished(5000);
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool isRunning() const { return !display_.isEmpty(); }
    // As DISPLAY gives it, ":N".
    const QString& display() const { return display_; }

private:
    QProcess server_;
    QString display_;
};

}  // namespace corvane::testing
