#pragma once
// One notch window: a black island flat along the top edge of a screen,
// centred, with rounded lower corners, the two ears beside it while an
// activity owns them, the alert card under it and, on a dwell or a click,
// the expanded panel. Its NotchDriver decides which of these shows.
//
// It is a plain painted window rather than a Qt Quick scene: measured under
// Xvfb, a minimal Quick scene costs about 37 MB resident with the software
// renderer (128 MB with GL) against 24 MB for this window, for a shape that
// needs no scene graph.

#include <memory>
#include <optional>

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRasterWindow>
#include <QScreen>
#include <QSize>
#include <QVariantAnimation>

#include "app/desktop/SectionRegistry.h"
#include "core/notch/EarLineup.h"
#include "core/notch/EarRoute.h"
#include "core/notch/HoverIntent.h"
#include "core/notch/NotchDriver.h"

namespace corvane::app {

class AppEnvironment;
class ArtworkCache;
class CardWindow;
class PanelWindow;

class IslandWindow final : public QRasterWindow {
    Q_OBJECT
public:
    // In device-independent pixels.
    static constexpr QSize closedSize{200, 32};
    static constexpr qreal cornerRadius = 12;
    static constexpr int gap = 6;  // between the island and the card or panel

    // What the ears show, and how wide each is drawn right now.
    struct EarView {
        EarContent left = EarContent::none();
        EarContent right = EarContent::none();
        QColor leftTint;
        QColor rightTint;
        qreal width = 0;       // each ear; 0 while no ears show
        qreal rightExtra = 0;  // room a lyric line adds on the right
    };

    // The outline in a box of `size`: flat along the top, the lower corners rounded.
    static QPainterPath closedShape(QSizeF size, qreal radius = cornerRadius);
    // Draws the closed island filling `size`; the snapshot renderer draws
    // with the same function.
    static void paintClosed(QPainter& painter, QSizeF size);
    // The island with its ears: one ear, a centre as wide as the closed
    // island, the other ear.
    static QSizeF islandSize(const EarView& view);
    static void paintIsland(QPainter& painter, const EarView& view, const ArtworkCache* artwork = nullptr);
    // The ears' contents for a lineup: both sides of the main activity, or
    // one side each of two activities.
    static EarView viewOf(const EarLineup& lineup);

    IslandWindow(QScreen* screen, AppEnvironment& environment, const SectionRegistry& sections);
    ~IslandWindow() override;

    NotchPresentation presentation() const { return driver_.presentation(); }
    const EarView& earView() const { return view_; }
    // The panel, once it was first opened.
    PanelWindow* panel() const { return panel_.get(); }
    CardWindow* card() const { return card_.get(); }

    // Expands the panel on a page, as a click on an ear does.
    void openPage(const PanelPage& page);
    // After any setting changed; the owner forwards the store's notice, so
    // that a window rebuilt during it is never called.
    void settingsChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void place();
    void lineupChanged(bool animated);
    void presentationChanged(NotchPresentation presentation);
    void cardChanged();
    // The card window shows while a card is visible and the panel is not.
    void showCard();
    // The hover card of the ear under the pointer: its activity's detail,
    // after the cards' delay.
    void hoverAt(std::optional<qreal> x);
    void hoverTick();
    // The widest an ear may be on this screen now; 0 when the ears do not fit.
    int fittedWidth() const;
    // Whether each ear route's switch is on, as the settings say.
    EarRoutes::Switches routeSwitches() const;
    // A click on an ear: its inbound file, else its route's page. False
    // when the ear leads nowhere.
    bool clickEar();
    PanelWindow& ensurePanel();
    void placeBelow(QWidget* widget);

    AppEnvironment& environment_;
    const SectionRegistry& sections_;
    QPointer<QScreen> placedOn_;
    NotchDriver driver_;
    EarView view_;
    QVariantAnimation reveal_;
    std::unique_ptr<PanelWindow> panel_;
    std::unique_ptr<CardWindow> card_;
    std::optional<PanelPage> pendingPage_;
    qreal pointerX_ = 0;
    HoverIntent hover_;
    std::optional<Scheduler::TimerId> hoverTimer_;
};

}  // namespace corvane::app
