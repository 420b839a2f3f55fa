#pragma once
// One island window per screen that should carry it, as "general.display"
// says: every screen, the primary one, or none (the tray alone). The
// windows are rebuilt when screens come, go or change roles, and each new
// window starts with a state machine of its own.

#include <memory>
#include <optional>
#include <vector>

#include <QObject>

#include "app/desktop/IslandWindow.h"
#include "app/desktop/SectionRegistry.h"
#include "core/notch/NotchChoices.h"

namespace corvane::app {

class IslandWindows final : public QObject {
    Q_OBJECT
public:
    IslandWindows(AppEnvironment& environment, const SectionRegistry& sections, QObject* parent = nullptr);

    // Rebuilds the windows when the choice changed, else passes the
    // settings change on to each window.
    void show(DisplayChoice choice);
    // The window of the primary screen (else the first); null without windows.
    IslandWindow* primary() const;

private:
    // `leaving` is a screen on its way out, not to be used again.
    void rebuild(QScreen* leaving = nullptr);

    AppEnvironment& environment_;
    const SectionRegistry& sections_;
    std::optional<DisplayChoice> choice_;
    std::vector<std::unique_ptr<IslandWindow>> windows_;
};

}  // namespace corvane::app
