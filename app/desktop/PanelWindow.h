#pragma once
// The expanded panel under the island: a dock of the surfaces (order,
// hidden and overflow entries from DockLayout, digit shortcuts 1 to 5, a
// context menu per entry) above the page of the current surface, which
// hosts the sections modules registered. A surface without a section is
// left out of the dock; Home always shows (it lists what is live now).

#include <map>
#include <memory>

#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QWidget>

#include "app/desktop/PanelSwipe.h"
#include "app/desktop/SectionRegistry.h"
#include "core/notch/DockLayout.h"

class QHBoxLayout;

namespace corvane::app {

class AppEnvironment;

class PanelWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize panelSize{560, 360};
    static constexpr qreal cornerRadius = 18;

    PanelWindow(AppEnvironment& environment, const SectionRegistry& sections, QWidget* parent = nullptr);

    // The dock as shown: the stored layout with content-less surfaces off.
    const DockLayout& dock() const { return effective_; }
    const PanelPage& page() const { return page_; }
    // The button of a surface in the dock; null when it is not docked.
    QToolButton* dockButton(Surface surface) const;

    void showPage(const PanelPage& page);
    // Re-reads the stored dock layout and the settings that shape motion.
    void reload();

signals:
    void hovered(bool inside);
    void escapePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QWidget* buildPage(const PanelPage& page);
    void rebuildDock();
    void showDockMenu(Surface surface, const QPoint& at);
    void slide(QWidget* incoming, int direction);
    // One surface along the dock (then the overflow) from the current one.
    void scrub(int step);
    // Whether `widget` or one of its parents in the panel scrolls sideways.
    bool scrollsSideways(const QWidget* widget) const;
    void refreshHome();

    AppEnvironment& environment_;
    const SectionRegistry& sections_;
    DockLayout stored_;
    DockLayout effective_;
    PanelPage page_;
    QHBoxLayout* dockRow_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLabel* homeList_ = nullptr;
    std::map<Surface, QToolButton*> buttons_;
    std::map<Surface, QWidget*> surfacePages_;
    QWidget* inboxPage_ = nullptr;
    PanelSwipe swipe_;
};

}  // namespace corvane::app
