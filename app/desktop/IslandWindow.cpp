#include "app/desktop/IslandWindow.h"

#include <algorithm>
#include <chrono>

#include <QMouseEvent>
#include <QRegion>
#include <QToolTip>
#include <QSurfaceFormat>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/ArtworkCache.h"
#include "app/desktop/CardWindow.h"
#include "app/desktop/EarPainter.h"
#include "app/desktop/PanelWindow.h"
#include "core/notch/EarChoices.h"
#include "core/notch/EarFit.h"
#include "core/base/Log.h"
#include "core/notch/Keys.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;

const Logger logger("notch");

constexpr int earAnimationMs = 280;

QColor tintOf(const Activity& activity)
{
    return activity.tintHex ? Palette::fromHex(*activity.tintHex) : Palette::text;
}

// Hover intent counts plain seconds on the monotonic clock.
double seconds(MonotonicTime time) { return std::chrono::duration<double>(time.time_since_epoch()).count(); }

bool isLyric(const EarContent& content) { return content.as<EarContent::Lyric>() != nullptr; }

}  // namespace

QPainterPath IslandWindow::closedShape(QSizeF size, qreal radius)
{
    radius = std::min(radius, std::min(size.width(), size.height()) / 2);
    QPainterPath shape;
    shape.moveTo(0, 0);
    shape.lineTo(size.width(), 0);
    shape.lineTo(size.width(), size.height() - radius);
    shape.quadTo(size.width(), size.height(), size.width() - radius, size.height());
    shape.lineTo(radius, size.height());
    shape.quadTo(0, size.height(), 0, size.height() - radius);
    shape.closeSubpath();
    return shape;
}

void IslandWindow::paintClosed(QPainter& painter, QSizeF size)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillPath(closedShape(size), Palette::island);
    painter.restore();
}

QSizeF IslandWindow::islandSize(const EarView& view)
{
    qreal extra = view.width > 0 ? 2 * view.width + view.rightExtra : 0;
    return QSizeF(closedSize.width() + extra, closedSize.height());
}

void IslandWindow::paintIsland(QPainter& painter, const EarView& view, const ArtworkCache* artwork)
{
    QSizeF size = islandSize(view);
    paintClosed(painter, size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (view.width > 0) {
        constexpr qreal inset = 10;
        QRectF left(inset, 0, view.width - inset, size.height());
        QRectF right(view.width + closedSize.width(), 0, view.width + view.rightExtra - inset, size.height());
        painter.setClipPath(closedShape(size));
        EarPainter::paint(painter, left, view.left, view.leftTint, EarPainter::Side::left, artwork);
        EarPainter::paint(painter, right, view.right, view.rightTint, EarPainter::Side::right, artwork);
    }
    painter.restore();
}

IslandWindow::EarView IslandWindow::viewOf(const EarLineup& lineup)
{
    EarView view;
    if (!lineup.main)
        return view;
    view.leftTint = tintOf(*lineup.main);
    if (lineup.second) {
        view.left = lineup.main->compact();
        view.right = lineup.second->compact();
        view.rightTint = tintOf(*lineup.second);
    } else {
        view.left = lineup.main->left;
        view.right = lineup.main->right;
        view.rightTint = view.leftTint;
    }
    return view;
}

IslandWindow::IslandWindow(QScreen* screen, AppEnvironment& environment, const SectionRegistry& sections)
    : environment_(environment),
      sections_(sections),
      placedOn_(screen),
      driver_(environment.scheduler(), NotchTimings::from(environment.settings()),
              [this](NotchPresentation presentation) { presentationChanged(presentation); })
{
    // Above everything and outside the window manager's stacking, like a
    // panel; Tool keeps it out of the taskbar, and it takes focus only once
    // clicked.
    setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus
             | Qt::NoDropShadowWindowHint | Qt::BypassWindowManagerHint);
    QSurfaceFormat format = this->format();
    format.setAlphaBufferSize(8);
    setFormat(format);
    setTitle(QStringLiteral("Lunebox"));
    setScreen(screen);
    connect(screen, &QScreen::geometryChanged, this, &IslandWindow::place);
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { lineupChanged(false); });

    reveal_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&reveal_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        view_.width = value.toReal();
        place();
    });
    connect(&environment_.ears(), &EarController::lineupChanged, this, &IslandWindow::lineupChanged);
    connect(&environment_.cards(), &CardPresenter::cardChanged, this, &IslandWindow::cardChanged);
    lineupChanged(false);
    cardChanged();
    place();
}

IslandWindow::~IslandWindow()
{
    if (hoverTimer_)
        environment_.scheduler().cancel(*hoverTimer_);
}

void IslandWindow::hoverAt(std::optional<qreal> x)
{
    double now = seconds(environment_.clock().monotonicNow());
    auto& settings = environment_.settings();
    hover_.delay = settings.get(Keys::hoverDelayMsCards) / 1000.0;
    const Activity* under = nullptr;
    if (x && view_.width > 0 && (*x < view_.width || *x > view_.width + closedSize.width()))
        under = environment_.ears().lineup().activity(*x, width() / 2.0);
    if (under != nullptr && under->detail && settings.get(Keys::hoverCards))
        hover_.enter(under->id, now);
    else
        hover_.leave(now);
    hoverTick();
}

void IslandWindow::hoverTick()
{
    double now = seconds(environment_.clock().monotonicNow());
    hover_.tick(now);
    if (hoverTimer_)
        environment_.scheduler().cancel(*hoverTimer_);
    hoverTimer_.reset();
    if (auto deadline = hover_.nextDeadline())
        hoverTimer_ = environment_.scheduler().schedule(std::max(0.0, *deadline - now), [this] {
            hoverTimer_.reset();
            hoverTick();
        });
    auto anchor = hover_.visibleAnchor();
    const auto& activities = environment_.ears().arbiter().activities();
    auto shown = anchor ? activities.find(*anchor) : activities.end();
    if (shown == activities.end() || !shown->second.detail) {
        QToolTip::hideText();
        return;
    }
    QPoint below = mapToGlobal(QPoint(int(pointerX_), height() + gap));
    QToolTip::showText(below, QString::fromStdString(*shown->second.detail));
}

void IslandWindow::settingsChanged()
{
    driver_.setTimings(NotchTimings::from(environment_.settings()));
    if (panel_)
        panel_->reload();
    lineupChanged(false);
}

int IslandWindow::fittedWidth() const
{
    auto& settings = environment_.settings();
    int maximum = points(settings.get(Keys::earWidth));
    if (!placedOn_ || !settings.get(Keys::earFitMenuBar))
        return maximum;
    QRect screen = placedOn_->geometry();
    QRect available = placedOn_->availableGeometry();
    Rect notch{screen.x() + (screen.width() - closedSize.width()) / 2.0, double(screen.y()), double(closedSize.width()),
               double(closedSize.height())};
    Rect room{double(available.x()), double(screen.y()), double(available.width()), double(screen.height())};
    EarFitResult fit = EarFit::resolve(EarFit::gaps({}, notch, room, std::nullopt), maximum);
    return fit.width.value_or(0);
}

void IslandWindow::lineupChanged(bool animated)
{
    const EarLineup& lineup = environment_.ears().lineup();
    qreal from = view_.width;
    EarView next = viewOf(lineup);
    int width = lineup.main ? fittedWidth() : 0;
    if (width > 0 && isLyric(next.right) && placedOn_) {
        QRect screen = placedOn_->availableGeometry();
        double side = (screen.width() - closedSize.width()) / 2.0;
        next.rightExtra = EarFit::lyricExtra(MenuBarGaps{side, side}, width);
    }
    // Retracting ears keep their content until they are gone.
    if (width == 0 && from > 0) {
        next.left = view_.left;
        next.right = view_.right;
    }
    next.width = from;
    view_ = next;
    driver_.handle(NotchEvent::activityChanged(lineup.main.has_value() && width > 0));

    auto& settings = environment_.settings();
    double speed = settings.get(Keys::animationSpeed);
    bool still = settings.get(Keys::reduceEffects) || speed <= 0;
    if (animated && width > 0 && from > 0 && !still)
        from = 0;  // a new owner slides in from the island
    reveal_.stop();
    if (still || from == width) {
        view_.width = width;
        place();
        update();
        return;
    }
    reveal_.setStartValue(from);
    reveal_.setEndValue(qreal(width));
    reveal_.setDuration(int(earAnimationMs / speed));
    reveal_.start();
}

void IslandWindow::place()
{
    if (!placedOn_)
        return;
    QRect area = placedOn_->geometry();
    QSize size = islandSize(view_).toSize();
    int left = area.x() + (area.width() - closedSize.width()) / 2 - int(view_.width);
    setGeometry(left, area.y(), size.width(), size.height());
    // Without a compositor the transparent corners would show black: the
    // mask cuts them out of the window itself.
    setMask(QRegion(closedShape(size).toFillPolygon().toPolygon()));
    if (panel_ && panel_->isVisible())
        placeBelow(panel_.get());
    if (card_ && card_->isVisible()) {
        QRect island = geometry();
        card_->setPosition(area.x() + (area.width() - card_->width()) / 2, island.bottom() + 1 + gap);
    }
    update();
}

void IslandWindow::placeBelow(QWidget* widget)
{
    QRect area = placedOn_ ? placedOn_->geometry() : QRect();
    widget->move(area.x() + (area.width() - widget->width()) / 2, geometry().bottom() + 1 + gap);
}

PanelWindow& IslandWindow::ensurePanel()
{
    if (!panel_) {
        panel_ = std::make_unique<PanelWindow>(environment_, sections_);
        connect(panel_.get(), &PanelWindow::hovered, this,
                [this](bool inside) { driver_.handle(inside ? NotchEvent::hoverEnter() : NotchEvent::hoverExit()); });
        connect(panel_.get(), &PanelWindow::escapePressed, this, [this] { driver_.handle(NotchEvent::escape()); });
    }
    return *panel_;
}

void IslandWindow::openPage(const PanelPage& page)
{
    pendingPage_ = page;
    if (driver_.presentation() == NotchPresentation::expanded)
        presentationChanged(NotchPresentation::expanded);
    else
        driver_.handle(NotchEvent::click());
}

void IslandWindow::presentationChanged(NotchPresentation presentation)
{
    if (presentation != NotchPresentation::expanded) {
        if (panel_)
            panel_->hide();
        showCard();
        return;
    }
    PanelWindow& panel = ensurePanel();
    if (!pendingPage_) {
        // A dwell over an ear opens that ear's surface when its route says so.
        auto& settings = environment_.settings();
        const Activity* under = environment_.ears().lineup().activity(pointerX_, width() / 2.0);
        if (auto target = EarRoutes::hoverTarget(under, settings.get(Keys::openEarTarget), routeSwitches()))
            pendingPage_ = pageFor(*target);
    }
    if (pendingPage_)
        panel.showPage(*pendingPage_);
    pendingPage_.reset();
    placeBelow(&panel);
    panel.show();
    panel.raise();
    showCard();
}

void IslandWindow::cardChanged()
{
    bool visible = environment_.cards().queue().visible().has_value();
    if (visible) {
        // The card takes the space under the island.
        hover_.toastShown();
        hoverTick();
    }
    driver_.handle(NotchEvent::alertChanged(visible));
    showCard();
}

void IslandWindow::showCard()
{
    bool shows = environment_.cards().queue().visible() && driver_.presentation() != NotchPresentation::expanded;
    if (!shows) {
        if (card_)
            card_->hide();
        return;
    }
    if (!card_) {
        card_ = std::make_unique<CardWindow>(environment_.cards(), environment_.actions());
        card_->setScreen(placedOn_);
    }
    card_->show();
    place();
    card_->update();
}

bool IslandWindow::event(QEvent* event)
{
    if (event->type() == QEvent::Enter) {
        driver_.handle(NotchEvent::hoverEnter());
    } else if (event->type() == QEvent::Leave) {
        driver_.handle(NotchEvent::hoverExit());
        hoverAt(std::nullopt);
    }
    return QRasterWindow::event(event);
}

void IslandWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintIsland(painter, view_, &environment_.artwork());
}

void IslandWindow::mouseMoveEvent(QMouseEvent* event)
{
    pointerX_ = event->position().x();
    hoverAt(pointerX_);
    QRasterWindow::mouseMoveEvent(event);
}

void IslandWindow::mousePressEvent(QMouseEvent* event)
{
    if (flags().testFlag(Qt::WindowDoesNotAcceptFocus)) {
        setFlag(Qt::WindowDoesNotAcceptFocus, false);
        requestActivate();
    }
    pointerX_ = event->position().x();
    bool onEar = view_.width > 0 && (pointerX_ < view_.width || pointerX_ > view_.width + closedSize.width());
    if (onEar && clickEar())
        return;
    driver_.handle(NotchEvent::click());
    QRasterWindow::mousePressEvent(event);
}

EarRoutes::Switches IslandWindow::routeSwitches() const
{
    return [&settings = environment_.settings()](EarRoute route) {
        return settings.get(EarRouteSwitch::enabled(route));
    };
}

bool IslandWindow::clickEar()
{
    const Activity* under = environment_.ears().lineup().activity(pointerX_, width() / 2.0);
    if (under == nullptr)
        return false;
    if (auto path = environment_.ears().openPath(under->id)) {
        if (auto opened = environment_.actions().openFile(*path); !opened)
            logger.warning("the ear's file stays closed: {}", opened.error().message());
        return true;
    }
    auto target = EarRoutes::clickTarget(under, environment_.settings().get(Keys::openEarTarget), routeSwitches());
    auto page = target ? pageFor(*target) : std::nullopt;
    if (!page)
        return false;
    openPage(*page);
    return true;
}

void IslandWindow::focusOutEvent(QFocusEvent* event)
{
    setFlag(Qt::WindowDoesNotAcceptFocus, true);
    QRasterWindow::focusOutEvent(event);
}

}  // namespace corvane::app
