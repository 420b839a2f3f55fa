#include "app/desktop/NotificationsSurface.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/SnapshotRenderer.h"
#include "core/calendar/MeetingLink.h"
#include "core/notch/EventSettings.h"
#include "core/notch/InboxAction.h"
#include "core/notch/Keys.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;

// Sizes of the compact panel, in device-independent pixels.
constexpr int rowRadius = 10;
constexpr int rowPadding = 8;
constexpr int memberIndent = 12;    // rows inside an open stack
constexpr int stackEdgeHeight = 4;  // the card peeking out under a closed stack
constexpr int fadeInMs = 180;       // rows of a stack that was just opened

QString css(const QColor& colour)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alpha());
}

QString inboxStyleSheet()
{
    return QStringLiteral(R"(
#notifications { background: %1; }
QLabel { color: %2; background: transparent; }
QLabel[role="caption"], QLabel[role="app"], QLabel[role="body"], QLabel[role="section"] { color: %3; }
QLabel[role="section"][needsAction="true"] { color: %4; }
QLabel[role="status"] { color: %5; }
QFrame[role="row"] { background: %6; border: 1px solid transparent; border-radius: %8px; }
QFrame[role="row"]:hover { background: %7; }
QFrame[role="row"]:focus { border: 1px solid %9; }
QFrame[role="row"][timeSensitive="true"] { border-left: 3px solid %4; }
QFrame[role="row"][member="true"] { margin-left: %10px; }
QFrame[role="stackEdge"] { background: %7; border-bottom-left-radius: 6px; border-bottom-right-radius: 6px;
                           margin-left: %8px; margin-right: %8px; }
QPushButton { border: none; color: %2; }
QPushButton[role="chip"] { background: %7; border-radius: 9px; padding: 2px 9px; }
QPushButton[role="chip"]:checked { background: %2; color: %1; }
QPushButton[role="chip"]:focus, QPushButton[role="clear"]:focus { border: 1px solid %9; }
QPushButton[role="clear"] { background: transparent; color: %3; padding: 2px 6px; border-radius: 8px; }
QPushButton[role="primary"] { background: %9; border-radius: 8px; padding: 3px 10px; }
QPushButton[armed="true"] { background: %5; color: %2; }
QToolButton { border: none; background: transparent; color: %3; }
QToolButton:hover { color: %2; }
QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; border: none; }
QScrollBar:vertical { background: transparent; width: 6px; }
QScrollBar::handle:vertical { background: %7; border-radius: 3px; min-height: 24px; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }
)")
        .arg(css(Palette::island), css(Palette::text), css(Palette::secondaryText), css(Palette::warning),
             css(Palette::critical), css(Palette::panel), css(Palette::panelRaised))
        .arg(rowRadius)
        .arg(css(Palette::accent))
        .arg(memberIndent);
}

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QFont styledFont(ui::Fonts::Style style, std::optional<QFont::Weight> weight = std::nullopt)
{
    QFont font = ui::Fonts::font(style);
    if (weight)
        font.setWeight(*weight);
    return font;
}

// Style sheets match dynamic properties only when the widget is polished again.
void setStyleFlag(QWidget* widget, const char* name, bool on)
{
    if (widget->property(name).toBool() == on)
        return;
    widget->setProperty(name, on);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

// One line of text that ends in "…" when the row is too narrow for it.
class ElidedLabel final : public QLabel {
public:
    ElidedLabel(const QString& text, const char* role, const QFont& font)
    {
        setText(text);
        setProperty("role", role);
        setFont(font);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    QSize minimumSizeHint() const override { return {0, fontMetrics().height()}; }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(text()), fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        QRect box = contentsRect();
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, box.width()));
    }
};

// "14:05" for today and yesterday, "3 Mar" before that.
QString timeText(WallTime date, WallTime now, const Calendar& calendar)
{
    static constexpr std::array months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    LocalDateTime local = calendar.components(date);
    if (calendar.dayNumber(now) - calendar.dayNumber(date) <= 1)
        return QStringLiteral("%1:%2").arg(local.hour, 2, 10, QLatin1Char('0')).arg(local.minute, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 %2").arg(local.day).arg(QLatin1String(months[std::clamp(local.month, 1, 12) - 1]));
}

}  // namespace

NotificationsSurface::NotificationsSurface(AppEnvironment& environment, QWidget* parent)
    : NotificationsSurface(Sources{environment.alerts(), environment.settings(), environment.scheduler(),
                                   systemClock(), Calendar::local()},
                           parent)
{
}

NotificationsSurface::NotificationsSurface(Sources sources, QWidget* parent)
    : QWidget(parent),
      alerts_(sources.alerts),
      settings_(sources.settings),
      scheduler_(sources.scheduler),
      clock_(sources.clock),
      calendar_(std::move(sources.calendar)),
      grouping_(settings_.get(Keys::notificationGrouping))
{
    setObjectName(QStringLiteral("notifications"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(inboxStyleSheet());

    // The chips scroll sideways when the panel is narrower than all of them.
    auto* chipRow = new QWidget;
    auto* chipBar = new QHBoxLayout(chipRow);
    chipBar->setContentsMargins(0, 0, 0, 0);
    chipBar->setSpacing(4);
    for (InboxFilter filter : InboxFilters::order) {
        auto* chip = new QPushButton;
        chip->setObjectName(QStringLiteral("chip|") + qs(InboxFilters::displayName(filter)));
        chip->setProperty("role", "chip");
        chip->setFont(styledFont(ui::Fonts::Style::caption));
        chip->setCheckable(true);
        chip->setFocusPolicy(Qt::TabFocus);
        chip->installEventFilter(this);
        connect(chip, &QPushButton::clicked, this, [this, filter] { chooseFilter(filter); });
        chips_[filter] = chip;
        chipBar->addWidget(chip);
    }
    chipBar->addStretch();
    chipStrip_ = new QScrollArea(this);
    chipStrip_->setWidgetResizable(true);
    chipStrip_->setFrameShape(QFrame::NoFrame);
    chipStrip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chipStrip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chipStrip_->setFocusPolicy(Qt::NoFocus);
    chipStrip_->setWidget(chipRow);
    chipStrip_->setFixedHeight(chipRow->sizeHint().height());

    caption_ = new QLabel;
    caption_->setObjectName(QStringLiteral("caption"));
    caption_->setProperty("role", "caption");
    caption_->setFont(styledFont(ui::Fonts::Style::caption));
    clear_ = new QPushButton;
    clear_->setObjectName(QStringLiteral("clear"));
    clear_->setProperty("role", "clear");
    clear_->setFont(styledFont(ui::Fonts::Style::caption));
    clear_->setFocusPolicy(Qt::TabFocus);
    clear_->installEventFilter(this);
    connect(clear_, &QPushButton::clicked, this, [this] { pressClear(); });
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(caption_, 1);
    captionRow->addWidget(clear_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setProperty("role", "status");
    status_->setFont(styledFont(ui::Fonts::Style::caption));
    status_->hide();

    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 6);
    layout->setSpacing(6);
    layout->addWidget(chipStrip_);
    layout->addLayout(captionRow);
    layout->addWidget(status_);
    layout->addWidget(scroll_, 1);

    listener_ = alerts_.addListener([this](const AlertHistory&) { historyChanged(); });
    subscription_ = settings_.subscribe([this](int) {
        NotificationGrouping grouping = settings_.get(Keys::notificationGrouping);
        if (grouping == grouping_)
            return;
        grouping_ = grouping;
        rebuild();
    });
    publishedUnread_ = unreadCount();
    rebuild();
}

NotificationsSurface::~NotificationsSurface()
{
    alerts_.removeListener(listener_);
    settings_.unsubscribe(subscription_);
    if (nextChangeTimer_)
        scheduler_.cancel(*nextChangeTimer_);
    if (disarmTimer_) {
        scheduler_.cancel(*disarmTimer_);
        alerts_.disarm();
    }
}

int NotificationsSurface::unreadCount() const { return alerts_.history().unread(); }

void NotificationsSurface::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    markReadWhileShown();
    publishUnread();
    // The day may have turned while the inbox was hidden.
    rebuild();
}

void NotificationsSurface::historyChanged()
{
    // Marking read changes the history again; the outer call finishes.
    if (markingRead_)
        return;
    markReadWhileShown();
    publishUnread();
    rebuild();
}

void NotificationsSurface::markReadWhileShown()
{
    // The user sees what arrives while the inbox is on screen.
    if (!isVisible() || unreadCount() == 0)
        return;
    markingRead_ = true;
    alerts_.markAllRead();
    markingRead_ = false;
}

void NotificationsSurface::publishUnread()
{
    int unread = unreadCount();
    if (unread == publishedUnread_)
        return;
    publishedUnread_ = unread;
    emit unreadCountChanged(unread);
}

void NotificationsSurface::rebuild()
{
    std::optional<std::size_t> focusedIndex = focusedRowIndex();
    std::string focusedID = focusedIndex ? focusOrder_[*focusedIndex] : std::string();

    InboxCounts counts = alerts_.counts();
    InboxFilter effective = alerts_.effectiveFilter();
    updateChips(counts, effective);
    updateClearButton(counts, effective);
    caption_->setText(qs(InboxCaption::text(effective, counts)));

    std::vector<InboxSection> sections = alerts_.sections(grouping_);
    focusOrder_ = InboxPlan::focusRows(sections, alerts_.openStacks());
    rows_.clear();
    rowWidgets_.clear();
    // The old rows may be handling the very event that changed the history:
    // they leave the tree now and are deleted once it returns.
    if (QWidget* old = scroll_->takeWidget())
        old->deleteLater();
    scroll_->setWidget(buildRows(sections));

    animateOpenedStack();
    chainTabOrder();
    if (focusedIndex)
        restoreFocus(focusedID, *focusedIndex);
    scheduleNextChange();
}

void NotificationsSurface::updateChips(const InboxCounts& counts, InboxFilter effective)
{
    std::vector<InboxFilter> visible = InboxFilters::visible(counts);
    for (auto [filter, chip] : chips_) {
        chip->setText(qs(InboxFilters::chipTitle(filter, counts)));
        chip->setChecked(filter == effective);
        chip->setVisible(std::find(visible.begin(), visible.end(), filter) != visible.end());
    }
}

void NotificationsSurface::updateClearButton(const InboxCounts& counts, InboxFilter effective)
{
    bool armed = alerts_.armedClear() == effective;
    QString title = qs(InboxFilters::clearTitle(effective));
    clear_->setText(armed ? title + QLatin1Char('?') : title);
    setStyleFlag(clear_, "armed", armed);
    clear_->setVisible(InboxFilters::count(effective, counts) > 0);
}

QWidget* NotificationsSurface::buildRows(const std::vector<InboxSection>& sections)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->setSpacing(4);
    const std::set<std::string>& open = alerts_.openStacks();
    for (const InboxSection& section : sections) {
        auto* header = new QLabel(qs(title(section.kind)));
        header->setObjectName(QStringLiteral("section|") + qs(rawValue(section.kind)));
        header->setProperty("role", "section");
        header->setProperty("needsAction", section.kind == InboxSection::Kind::needsAction);
        header->setFont(styledFont(ui::Fonts::Style::caption, QFont::DemiBold));
        header->setContentsMargins(2, 6, 0, 0);
        layout->addWidget(header);
        for (const InboxEntry& entry : section.entries) {
            bool isOpen = entry.isStack() && open.contains(entry.id);
            if (!isOpen) {
                layout->addWidget(buildRow(entry, entry.top(), false));
                continue;
            }
            for (const AlertRecord& record : entry.records)
                layout->addWidget(buildRow(entry, record, true));
        }
    }
    layout->addStretch();
    return content;
}

QWidget* NotificationsSurface::buildRow(const InboxEntry& entry, const AlertRecord& record, bool open)
{
    WallTime now = clock_.now();
    bool top = &record == &entry.top();
    bool closedStack = entry.isStack() && !open;

    auto* row = new QFrame;
    std::string id = InboxPlan::rowID(record);
    row->setObjectName(qs(id));
    row->setProperty("role", "row");
    row->setProperty("timeSensitive", entry.timeSensitive);
    row->setProperty("member", open && !top);
    row->setFocusPolicy(Qt::StrongFocus);
    row->installEventFilter(this);

    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(rowPadding + 2, rowPadding - 2, rowPadding, rowPadding - 2);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);

    auto* source = new ElidedLabel(qs(entry.app) + QStringLiteral(" \u00B7 ") + timeText(record.date, now, calendar_),
                                   "app", styledFont(ui::Fonts::Style::caption));
    grid->addWidget(source, 0, 0);
    auto* corner = new QHBoxLayout;
    corner->setSpacing(2);
    if (entry.isStack() && top) {
        auto* toggle = new QToolButton;
        toggle->setObjectName(qs(InboxPlan::moreID(entry)));
        toggle->setText(open ? QStringLiteral("Show less") : QStringLiteral("Show all"));
        toggle->setFont(styledFont(ui::Fonts::Style::caption));
        toggle->setFocusPolicy(Qt::NoFocus);
        connect(toggle, &QToolButton::clicked, this, [this, entryID = entry.id] { toggleStack(entryID); });
        corner->addWidget(toggle);
    }
    auto* dismiss = new QToolButton;
    dismiss->setObjectName(QStringLiteral("remove"));
    dismiss->setText(QStringLiteral("\u00D7"));
    dismiss->setToolTip(QStringLiteral("Remove"));
    dismiss->setFont(styledFont(ui::Fonts::Style::caption));
    dismiss->setFocusPolicy(Qt::NoFocus);
    connect(dismiss, &QToolButton::clicked, this, [this, recordID = record.id] { removeRecord(recordID); });
    corner->addWidget(dismiss);
    grid->addLayout(corner, 0, 1, Qt::AlignRight);

    grid->addWidget(new ElidedLabel(qs(record.title), "title", styledFont(ui::Fonts::Style::body, QFont::DemiBold)), 1, 0);
    std::string body = closedStack ? InboxCaption::stackLine(record.text, int(entry.records.size()) - 1) : record.text;
    if (!body.empty())
        grid->addWidget(new ElidedLabel(qs(body), "body", styledFont(ui::Fonts::Style::caption)), 2, 0);

    // The centre's rule: no button for an action nothing here can carry out.
    if (std::optional<InboxAction> action = alerts_.primaryAction(record)) {
        bool armed = alerts_.armedComplete() == record.id;
        auto* primary = new QPushButton(armed ? qs(title(*action)) + QLatin1Char('?') : qs(title(*action)));
        primary->setObjectName(QStringLiteral("primary"));
        primary->setProperty("role", "primary");
        primary->setProperty("armed", armed);
        primary->setFont(styledFont(ui::Fonts::Style::caption, QFont::DemiBold));
        primary->setFocusPolicy(Qt::NoFocus);
        connect(primary, &QPushButton::clicked, this, [this, recordID = record.id] { runPrimary(recordID); });
        grid->addWidget(primary, 1, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    }
    grid->setColumnStretch(0, 1);

    rows_.insert_or_assign(row, Row{row, id, record.id, entry.id, entry.isStack(), top});
    rowWidgets_[id] = row;
    if (!closedStack)
        return row;
    // A closed stack shows the edge of the card under its top one.
    auto* stacked = new QWidget;
    auto* column = new QVBoxLayout(stacked);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(row);
    auto* edge = new QFrame;
    edge->setProperty("role", "stackEdge");
    edge->setFixedHeight(stackEdgeHeight);
    column->addWidget(edge);
    return stacked;
}

void NotificationsSurface::animateOpenedStack()
{
    std::string opened = std::exchange(openedStack_, {});
    if (opened.empty() || settings_.get(Keys::reduceEffects))
        return;
    double speed = settings_.get(Keys::animationSpeed);
    int duration = int(fadeInMs / (speed > 0 ? speed : 1.0));
    for (const auto& [object, row] : rows_) {
        if (row.entry != opened || row.top)
            continue;
        QWidget* widget = row.widget;
        auto* effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
        auto* fade = new QPropertyAnimation(effect, "opacity", widget);
        fade->setDuration(duration);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        connect(fade, &QPropertyAnimation::finished, widget, [widget] { widget->setGraphicsEffect(nullptr); });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

void NotificationsSurface::restoreFocus(const std::string& rowID, std::size_t index)
{
    auto same = std::find(focusOrder_.begin(), focusOrder_.end(), rowID);
    if (same != focusOrder_.end())
        focusRow(std::size_t(same - focusOrder_.begin()));
    else if (!focusOrder_.empty())
        focusRow(std::min(index, focusOrder_.size() - 1));
    else
        focusChosenChip();
}

void NotificationsSurface::chainTabOrder()
{
    std::vector<QWidget*> chain;
    for (InboxFilter filter : InboxFilters::order) {
        if (!chips_[filter]->isHidden())
            chain.push_back(chips_[filter]);
    }
    if (!clear_->isHidden())
        chain.push_back(clear_);
    for (const std::string& id : focusOrder_)
        chain.push_back(rowWidgets_.at(id));
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void NotificationsSurface::scheduleNextChange()
{
    // What the inbox shows changes with the day (needs action is today's
    // business, day sections move) and when a reminder's window closes.
    if (nextChangeTimer_)
        scheduler_.cancel(*nextChangeTimer_);
    nextChangeTimer_.reset();
    if (alerts_.history().records.empty())
        return;
    WallTime now = clock_.now();
    WallTime next = calendar_.startOfDay(calendar_.startOfDay(now).plusSeconds(36 * 3600));
    for (const AlertRecord& record : alerts_.history().records) {
        if (!record.action || !record.action->as<AlertRecord::Action::CompleteReminder>())
            continue;
        WallTime closes = record.date.plusSeconds(InboxActions::reminderWindow);
        if (closes > now && closes < next)
            next = closes;
    }
    // A little late rather than early: the timer must find the change made.
    nextChangeTimer_ = scheduler_.schedule(next.secondsSince(now) + 0.5, [this] {
        nextChangeTimer_.reset();
        rebuild();
    });
}

void NotificationsSurface::chooseFilter(InboxFilter filter)
{
    alerts_.setFilter(filter);
    rebuild();
}

void NotificationsSurface::pressClear() { afterPress(alerts_.pressClear(alerts_.effectiveFilter())); }

void NotificationsSurface::runPrimary(const Uuid& record) { afterPress(alerts_.runPrimary(record)); }

void NotificationsSurface::afterPress(AlertCenter::Press press)
{
    if (disarmTimer_)
        scheduler_.cancel(*disarmTimer_);
    disarmTimer_.reset();
    if (press == AlertCenter::Press::armed) {
        disarmTimer_ = scheduler_.schedule(armedSeconds, [this] {
            disarmTimer_.reset();
            alerts_.disarm();
            rebuild();
        });
    }
    status_->setText(press == AlertCenter::Press::failed ? QStringLiteral("Couldn’t complete the reminder")
                                                         : QString());
    status_->setVisible(press == AlertCenter::Press::failed);
    rebuild();
}

void NotificationsSurface::toggleStack(const std::string& entry)
{
    alerts_.toggleStack(entry);
    if (alerts_.openStacks().contains(entry))
        openedStack_ = entry;
    rebuild();
}

void NotificationsSurface::setStackOpen(const std::string& entry, bool open)
{
    if (alerts_.openStacks().contains(entry) != open)
        toggleStack(entry);
}

void NotificationsSurface::removeRecord(const Uuid& record) { alerts_.remove(record); }

bool NotificationsSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (auto found = rows_.find(watched); found != rows_.end()) {
        // A copy: the action may rebuild the rows.
        Row row = found->second;
        if (event->type() == QEvent::KeyPress)
            return rowKey(row, static_cast<QKeyEvent*>(event)->key());
        if (event->type() == QEvent::MouseButtonRelease && row.stack
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
            && !alerts_.openStacks().contains(row.entry)) {
            toggleStack(row.entry);
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        if (auto* button = qobject_cast<QPushButton*>(watched))
            return chipKey(button, static_cast<QKeyEvent*>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
}

bool NotificationsSurface::rowKey(const Row& target, int key)
{
    auto index = std::size_t(std::find(focusOrder_.begin(), focusOrder_.end(), target.id)
                             - focusOrder_.begin());
    if (isEnter(key)) {
        runPrimary(target.record);
        return true;
    }
    switch (key) {
    case Qt::Key_Down:
        if (index + 1 < focusOrder_.size())
            focusRow(index + 1);
        return true;
    case Qt::Key_Up:
        if (index == 0 || index >= focusOrder_.size())
            focusChosenChip();
        else
            focusRow(index - 1);
        return true;
    case Qt::Key_Space:
        if (!target.stack)
            return false;
        toggleStack(target.entry);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Left:
        if (!target.stack)
            return false;
        setStackOpen(target.entry, key == Qt::Key_Right);
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        removeRecord(target.record);
        return true;
    default:
        return false;
    }
}

bool NotificationsSurface::chipKey(QPushButton* button, int key)
{
    if (isEnter(key)) {
        button->click();
        return true;
    }
    if (key == Qt::Key_Down && !focusOrder_.empty()) {
        focusRow(0);
        return true;
    }
    if (button == clear_ || (key != Qt::Key_Left && key != Qt::Key_Right))
        return false;
    std::vector<QPushButton*> shown;
    for (InboxFilter filter : InboxFilters::order) {
        if (!chips_[filter]->isHidden())
            shown.push_back(chips_[filter]);
    }
    auto at = std::find(shown.begin(), shown.end(), button);
    if (key == Qt::Key_Left && at != shown.begin())
        focusChip(*(at - 1));
    else if (key == Qt::Key_Right && at + 1 < shown.end())
        focusChip(*(at + 1));
    return true;
}

void NotificationsSurface::focusRow(std::size_t index)
{
    QWidget* row = rowWidgets_.at(focusOrder_[index]);
    row->setFocus(Qt::OtherFocusReason);
    scroll_->ensureWidgetVisible(row);
}

void NotificationsSurface::focusChip(QPushButton* chip)
{
    chip->setFocus(Qt::OtherFocusReason);
    chipStrip_->ensureWidgetVisible(chip);
}

void NotificationsSurface::focusChosenChip() { focusChip(chips_[alerts_.effectiveFilter()]); }

std::optional<std::size_t> NotificationsSurface::focusedRowIndex() const
{
    auto focused = rows_.find(window()->focusWidget());
    if (focused == rows_.end())
        return std::nullopt;
    auto at = std::find(focusOrder_.begin(), focusOrder_.end(), focused->second.id);
    if (at == focusOrder_.end())
        return std::nullopt;
    return std::size_t(at - focusOrder_.begin());
}

QImage NotificationsSurface::renderSnapshot(AppEnvironment& environment, QSize size)
{
    // Monday 2 March 2026, 15:40 UTC: a fixed moment keeps the image the same.
    ManualClock clock(WallTime::fromUnixSeconds(1772466000));
    Calendar calendar = Calendar::utc();
    SettingsStore& settings = environment.settings();
    AlertCenter::Options memoryOnly;
    memoryOnly.persists = false;
    AlertCenter sample(memoryOnly, environment.scheduler(), clock, calendar,
                       [&settings](std::string_view kind) { return isTimeSensitive(settings, kind); });
    // The picture shows every row's button as it looks once its module is there.
    struct Showcase final : AlertActionHandler {
        void perform(InboxAction, const AlertRecord&) override {}
    } showcase;
    sample.setActionHandler(&showcase);
    WallTime now = clock.now();
    auto add = [&](double minutesAgo, std::string kind, std::string moduleID, std::string title, std::string text,
                   std::optional<AlertRecord::Action> action = std::nullopt) {
        sample.add(AlertRecord{Uuid::random(), std::move(kind), std::move(moduleID), std::move(title), std::move(text),
                               now.plusSeconds(-60 * minutesAgo), std::move(action)});
    };
    // Oldest first: each one goes in at the front.
    add(3 * 24 * 60, "brew.outdated", "brew", "5 updates available", "node, git, ripgrep and 2 more",
        AlertRecord::Action::open("maintenance"));
    add(22 * 60, "docker.exit", "docker", "Container web exited", "Exit code 137",
        AlertRecord::Action::containerLogs("web"));
    add(21 * 60, "vitals.lowBattery", "vitals", "Battery at 10%", "Plug in soon.");
    add(80, "ai.finished", "ai", "Claude Code finished", "Added tests for the parser in lunebox");
    add(65, "ai.finished", "ai", "Claude Code finished", "Refactored the settings window");
    add(51, "projects.commandFinished", "projects", "npm run build finished", "lunebox-web · 48 s");
    add(34, "projects.commandFinished", "projects", "cargo test finished", "tally · 2 min 10 s");
    add(20, "projects.commandFinished", "projects", "make release finished", "lunebox · 3 min 2 s");
    if (auto link = MeetingLink::validate("https://zoom.us/j/123456789"))
        add(9, "calendar.meeting", "calendar", "Design review in 5 min", "Zoom · with Dana and Lee",
            AlertRecord::Action::join(*link));
    add(2, "ai.stuck", "ai", "Claude Code is waiting for you", "Approve running the tests in lunebox");
    NotificationGrouping grouping = settings.get(Keys::notificationGrouping);
    for (const InboxSection& section : sample.sections(grouping)) {
        for (const InboxEntry& entry : section.entries) {
            if (entry.isStack() && entry.top().kind == "ai.finished")
                sample.toggleStack(entry.id);
        }
    }

    NotificationsSurface surface(Sources{sample, settings, environment.scheduler(), clock, calendar}, nullptr);
    surface.setAttribute(Qt::WA_DontShowOnScreen);
    surface.resize(size);
    surface.show();
    QImage image(size * SnapshotRenderer::scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(SnapshotRenderer::scale);
    image.fill(Qt::transparent);
    surface.render(&image);
    return image;
}

}  // namespace corvane::app
