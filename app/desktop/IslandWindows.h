#pragma once
// One island window per screen that should carry it, as "general.display"
// says: every screen, the primary one, or none (the tray alone). The
// windows are rebuilt when screens come, go or change roles.

#include <memory>
#include <optional>
#include <vector>

#include <QObject>

#include "app/desktop/IslandWindow.h"
#include "core/notch/NotchChoices.h"

namespace corvane::app {

class IslandWindows final : public QObject {
    Q_OBJECT
public:
    explicit IslandWindows(QObject* parent = nullptr);

    void show(DisplayChoice choice);

private:
    // `leaving` is a screen on its way out, not to be used again.
    void rebuild(QScreen* leaving = nullptr);

    std::optional<DisplayChoice> choice_;
    std::vector<std::unique_ptr<IslandWindow>> windows_;
};

}  // namespace corvane::app
