#include "app/desktop/PanelWindow.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/IslandWindow.h"
#include "core/notch/DockMenu.h"
#include "core/notch/Keys.h"
#include "core/notch/SurfaceSection.h"
#include "core/notch/SwipeGate.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QIcon symbolIcon(std::string_view symbol, const QColor& colour)
{
    QImage image = ui::Icons::tinted(symbol, 36, colour);
    if (image.isNull()) {
        image = QImage(36, 36, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        ui::Icons::paintFallback(painter, QRectF(0, 0, 36, 36), colour);
    }
    return QIcon(QPixmap::fromImage(image));
}

QString placementTitle(DockLayout::Placement placement)
{
    switch (placement) {
    case DockLayout::Placement::dock: return QStringLiteral("Keep in Dock");
    case DockLayout::Placement::overflow: return QStringLiteral("Move to More");
    case DockLayout::Placement::off: return QStringLiteral("Hide");
    }
    return {};
}

QLabel* label(const QString& text, Fonts::Style style, const QColor& colour, QWidget* parent)
{
    auto* out = new QLabel(text, parent);
    out->setFont(Fonts::font(style));
    QPalette palette = out->palette();
    palette.setColor(QPalette::WindowText, colour);
    out->setPalette(palette);
    return out;
}

}  // namespace

PanelWindow::PanelWindow(AppEnvironment& environment, const SectionRegistry& sections, QWidget* parent)
    : QWidget(parent), environment_(environment), sections_(sections)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Lunebox"));
    resize(panelSize);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(10);
    // The checked entry sits on a raised tile; the style's own checked look is light and hides a white icon.
    setStyleSheet(QStringLiteral("QToolButton { border: none; border-radius: 8px; padding: 4px; }"
                                 "QToolButton:checked { background: %1; }")
                      .arg(Palette::panelRaised.name()));
    dockRow_ = new QHBoxLayout;
    dockRow_->setSpacing(6);
    column->addLayout(dockRow_);
    pages_ = new QStackedWidget(this);
    column->addWidget(pages_, 1);

    for (const auto& [surface, raw] : EnumCases<Surface>::cases) {
        QWidget* built = buildPage(PanelPage::of(surface));
        surfacePages_[surface] = built;
        pages_->addWidget(built);
    }
    if (sections_.hasInbox()) {
        inboxPage_ = buildPage(PanelPage::inboxPage());
        pages_->addWidget(inboxPage_);
    }
    connect(&environment_.ears(), &EarController::lineupChanged, this, [this] { refreshHome(); });
    refreshHome();
    reload();
}

QWidget* PanelWindow::buildPage(const PanelPage& page)
{
    if (page.inbox)
        return (*sections_.find(SectionRegistry::inbox))(environment_, this);
    auto* built = new QWidget(this);
    auto* column = new QVBoxLayout(built);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(label(qs(title(page.surface)), Fonts::Style::title, Palette::text, built));
    if (page.surface == Surface::home) {
        homeList_ = label({}, Fonts::Style::body, Palette::secondaryText, built);
        homeList_->setWordWrap(true);
        column->addWidget(homeList_);
    }
    bool any = false;
    for (SurfaceSection section : sections(page.surface)) {
        if (const auto* factory = sections_.find(rawValue(section))) {
            column->addWidget((*factory)(environment_, built));
            any = true;
        }
    }
    if (!any && page.surface != Surface::home)
        column->addWidget(label(QStringLiteral("No module shows anything here."), Fonts::Style::body,
                                Palette::secondaryText, built));
    column->addStretch(1);
    return built;
}

void PanelWindow::refreshHome()
{
    if (homeList_ == nullptr)
        return;
    QStringList lines;
    for (const auto& [id, activity] : environment_.ears().arbiter().activities()) {
        QStringList words;
        for (auto text : activity.left.texts())
            words.push_back(qs(text));
        for (auto text : activity.right.texts())
            words.push_back(qs(text));
        QString line = activity.detail ? qs(*activity.detail) : words.join(QLatin1Char(' '));
        if (!line.isEmpty())
            lines.push_back(line);
    }
    homeList_->setText(lines.isEmpty() ? QStringLiteral("Nothing is running right now.") : lines.join(QLatin1Char('\n')));
}

void PanelWindow::reload()
{
    stored_ = DockLayout::from(environment_.settings());
    effective_ = stored_;
    for (const auto& [surface, raw] : EnumCases<Surface>::cases) {
        if (!sections_.hasContent(surface))
            effective_.set(surface, DockLayout::Placement::off);
    }
    rebuildDock();
}

QToolButton* PanelWindow::dockButton(Surface surface) const
{
    auto found = buttons_.find(surface);
    return found != buttons_.end() ? found->second : nullptr;
}

void PanelWindow::rebuildDock()
{
    while (QLayoutItem* item = dockRow_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    buttons_.clear();
    auto addButton = [this](std::string_view symbol, const QString& text, bool current) {
        auto* button = new QToolButton(this);
        button->setIcon(symbolIcon(symbol, current ? Palette::text : Palette::secondaryText));
        button->setIconSize(QSize(18, 18));
        button->setToolTip(text);
        button->setAutoRaise(true);
        button->setCheckable(true);
        button->setChecked(current);
        button->setFocusPolicy(Qt::NoFocus);
        dockRow_->addWidget(button);
        return button;
    };
    int shortcut = 1;
    for (Surface surface : effective_.visible()) {
        bool current = !page_.inbox && page_.surface == surface;
        auto* button = addButton(symbol(surface), qs(title(surface)) + QStringLiteral(" (%1)").arg(shortcut++), current);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QToolButton::clicked, this, [this, surface] { showPage(PanelPage::of(surface)); });
        connect(button, &QToolButton::customContextMenuRequested, this,
                [this, surface, button](const QPoint& at) { showDockMenu(surface, button->mapToGlobal(at)); });
        buttons_[surface] = button;
    }
    if (effective_.showsOverflowItem()) {
        auto* more = addButton("ellipsis", QStringLiteral("More"), !page_.inbox && effective_.overflowStaysOpen(page_.surface));
        auto* menu = new QMenu(more);
        for (Surface surface : effective_.overflow())
            menu->addAction(qs(title(surface)), this, [this, surface] { showPage(PanelPage::of(surface)); });
        more->setMenu(menu);
        more->setPopupMode(QToolButton::InstantPopup);
    }
    dockRow_->addStretch(1);
    if (inboxPage_ != nullptr) {
        auto* inbox = addButton("bell.fill", QStringLiteral("Notifications"), page_.inbox);
        connect(inbox, &QToolButton::clicked, this, [this] { showPage(PanelPage::inboxPage()); });
    }
}

void PanelWindow::showDockMenu(Surface surface, const QPoint& at)
{
    QMenu menu;
    for (const auto& action : DockMenu::actions(surface, stored_)) {
        using Type = DockMenu::Action::Type;
        QAction* item = nullptr;
        switch (action.type) {
        case Type::moveLeft:
            item = menu.addAction(QStringLiteral("Move Left"), this, [this, surface] { stored_.move(surface, -1); });
            break;
        case Type::moveRight:
            item = menu.addAction(QStringLiteral("Move Right"), this, [this, surface] { stored_.move(surface, 1); });
            break;
        case Type::place:
            item = menu.addAction(placementTitle(action.placement), this,
                                  [this, surface, placement = action.placement] { stored_.set(surface, placement); });
            item->setCheckable(true);
            item->setChecked(stored_.placement(surface) == action.placement);
            break;
        case Type::editDock:
            // Editing the whole dock is a settings page; the menu's own
            // actions already cover one entry.
            continue;
        }
        item->setEnabled(action.enabled);
    }
    if (menu.exec(at) != nullptr) {
        stored_.store(environment_.settings());
        reload();
    }
}

void PanelWindow::showPage(const PanelPage& page)
{
    QWidget* target = page.inbox ? inboxPage_ : surfacePages_[page.surface];
    if (target == nullptr)
        return;
    int direction = page.inbox || page_.inbox ? (page.inbox ? 1 : -1) : effective_.direction(page_.surface, page.surface);
    bool changed = !(page == page_);
    page_ = page;
    pages_->setCurrentWidget(target);
    if (changed)
        slide(target, direction);
    rebuildDock();
}

void PanelWindow::slide(QWidget* incoming, int direction)
{
    auto& settings = environment_.settings();
    double speed = settings.get(Keys::animationSpeed);
    // Nobody watches an offscreen panel (snapshots) slide.
    if (direction == 0 || settings.get(Keys::reduceEffects) || speed <= 0 || !isVisible()
        || testAttribute(Qt::WA_DontShowOnScreen))
        return;
    auto* animation = new QPropertyAnimation(incoming, "pos", incoming);
    QPoint rest = incoming->pos();
    animation->setStartValue(rest + QPoint(direction * incoming->width() / 3, 0));
    animation->setEndValue(rest);
    animation->setDuration(int(220 / speed));
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void PanelWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillPath(IslandWindow::closedShape(size(), cornerRadius), Palette::island);
}

void PanelWindow::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_5 && event->modifiers() == Qt::NoModifier) {
        if (auto surface = effective_.surface(key - Qt::Key_0))
            showPage(PanelPage::of(*surface));
        return;
    }
    if (key == Qt::Key_Escape) {
        emit escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PanelWindow::wheelEvent(QWheelEvent* event)
{
    // The panel shows only while the notch is expanded; the inbox is a page
    // over the surfaces, outside the dock, so a swipe there scrubs nothing.
    bool scrubs = environment_.settings().get(Keys::swipeGestures)
                  && SwipeGate::shouldScrub(isVisible(), page_.inbox,
                                            scrollsSideways(childAt(event->position().toPoint())));
    if (!scrubs) {
        QWidget::wheelEvent(event);
        return;
    }
    if (int step = swipe_.feed(*event))
        scrub(step);
    event->setAccepted(PanelSwipe::isHorizontal(*event));
}

void PanelWindow::scrub(int step)
{
    std::vector<Surface> line = effective_.visible();
    for (Surface surface : effective_.overflow())
        line.push_back(surface);
    auto at = std::find(line.begin(), line.end(), page_.surface);
    if (at == line.end())
        return;
    auto index = (at - line.begin()) + step;
    if (index >= 0 && index < std::ssize(line))
        showPage(PanelPage::of(line[std::size_t(index)]));
}

bool PanelWindow::scrollsSideways(const QWidget* widget) const
{
    for (; widget != nullptr && widget != this; widget = widget->parentWidget()) {
        if (const auto* area = qobject_cast<const QAbstractScrollArea*>(widget);
            area != nullptr && area->horizontalScrollBar()->maximum() > area->horizontalScrollBar()->minimum())
            return true;
        if (const auto* slider = qobject_cast<const QAbstractSlider*>(widget);
            slider != nullptr && slider->orientation() == Qt::Horizontal && slider->maximum() > slider->minimum())
            return true;
    }
    return false;
}

void PanelWindow::enterEvent(QEnterEvent* event)
{
    emit hovered(true);
    QWidget::enterEvent(event);
}

void PanelWindow::leaveEvent(QEvent* event)
{
    emit hovered(false);
    QWidget::leaveEvent(event);
}

}  // namespace corvane::app
