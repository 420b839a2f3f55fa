#pragma once
// The Runtime section of the Dev surface: the dev servers (framework,
// project, port, uptime, and CPU and memory while the section is on
// screen) with a button that opens each in the browser, then every
// listening port with who opened it. It follows the module's published
// lists and tells the module when it comes on screen and leaves it.

#include <string>

#include <QTimer>
#include <QWidget>

#include "app/desktop/SectionWidgets.h"
#include "core/runtime/DevServer.h"

class QLabel;
class QVBoxLayout;

namespace corvane::app {

class DevServersModule;

class RuntimeSection final : public ShownSection {
    Q_OBJECT
public:
    RuntimeSection(DevServersModule& module, QWidget* parent = nullptr);
    ~RuntimeSection() override;

    // "up 45 s", "up 12 min", "up 3 h 5 min", "up 2 d 4 h".
    static std::string uptimeText(double seconds);
    // The second line of a server's row: port, uptime and, when measured, load.
    static std::string detailLine(const DevServer& server, double uptimeSeconds, const ProcessLoadSample* load);
    // Who opened a port: "Dev server", or its origin's title.
    static std::string originText(const PortRow& row);

protected:
    void showEvent(QShowEvent* event) override;
    void shownChanged(bool shown) override;

private:
    void rebuild();
    QWidget* serverRow(const DevServer& server);
    QWidget* portRow(const PortRow& row);

    DevServersModule& module_;
    QVBoxLayout* servers_ = nullptr;
    QVBoxLayout* ports_ = nullptr;
    // Uptimes move on while nothing else changes.
    QTimer refresh_;
};

}  // namespace corvane::app
