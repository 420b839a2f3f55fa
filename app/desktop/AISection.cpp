#include "app/desktop/AISection.h"

#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>

#include "app/desktop/AISetupView.h"
#include "app/desktop/AIUsageView.h"
#include "core/agents/AgentKind.h"
#include "core/notch/Keys.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;
using namespace SectionWidgets;

constexpr AIChip allChips[] = {AIChip::sessions, AIChip::needsYou, AIChip::history, AIChip::usage, AIChip::setup};
constexpr std::string_view claudeTint = "#D97757";
constexpr std::string_view codexTint = "#8E8CF8";
const QString dot = QStringLiteral(" \u00B7 ");

std::string_view stateSymbol(AgentTimeline::State state)
{
    switch (state) {
    case AgentTimeline::State::needsYou:
        return "hand.raised.fill";
    case AgentTimeline::State::working:
        return "sparkles";
    case AgentTimeline::State::finished:
        break;
    }
    return "checkmark.circle.fill";
}

// "12 min", "2 h 5 min": how long a past session ran.
std::string durationText(double seconds)
{
    auto minutes = static_cast<long long>(std::max(0.0, std::round(seconds / 60)));
    if (minutes < 60)
        return std::to_string(minutes) + " min";
    return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

}  // namespace

AISection::AISection(Services services, QWidget* parent) : ShownSection(parent), services_(std::move(services))
{
    if (!services_.copy)
        services_.copy = [](const std::string& text) { QGuiApplication::clipboard()->setText(qs(text)); };
    setObjectName(QStringLiteral("ai"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(sectionStyleSheet(objectName())
                  + QStringLiteral("QPushButton[role=\"chip\"] { color: %1; background: transparent; border: none;"
                                   " border-radius: 8px; padding: 2px 8px; }"
                                   "QPushButton[role=\"chip\"]:checked { color: %2; background: %3; }"
                                   "QLabel[role=\"warn\"], QLabel[role=\"stale\"] { color: %4; }"
                                   "QProgressBar { background: %5; border: none; border-radius: 3px; }"
                                   "QProgressBar::chunk { background: %6; border-radius: 3px; }"
                                   "QProgressBar[warn=\"true\"]::chunk { background: %4; }")
                        .arg(css(Palette::secondaryText), css(Palette::text), css(Palette::panelRaised),
                             css(Palette::warning), css(Palette::track), css(Palette::accent)));

    auto* chipRow = new QHBoxLayout;
    chipRow->setSpacing(4);
    chips_ = new QButtonGroup(this);
    for (AIChip chip : allChips) {
        auto* chipButton = new QPushButton(chipText(chip));
        chipButton->setObjectName(QStringLiteral("chip-%1").arg(int(chip)));
        chipButton->setProperty("role", "chip");
        chipButton->setCheckable(true);
        chipButton->setFont(Fonts::font(Fonts::Style::caption));
        chipButton->setFocusPolicy(Qt::TabFocus);
        chips_->addButton(chipButton, int(chip));
        chipRow->addWidget(chipButton);
    }
    chipRow->addStretch();
    connect(chips_, &QButtonGroup::idClicked, this, [this](int id) { showChip(static_cast<AIChip>(id)); });

    historyBar_ = new QWidget;
    auto* bar = new QHBoxLayout(historyBar_);
    bar->setContentsMargins(0, 0, 0, 0);
    search_ = new QLineEdit;
    search_->setObjectName(QStringLiteral("search"));
    search_->setPlaceholderText(QStringLiteral("Search projects, branches, titles"));
    search_->setClearButtonEnabled(true);
    filter_ = new QComboBox;
    filter_->setObjectName(QStringLiteral("filter"));
    filter_->addItem(QStringLiteral("All agents"), int(AgentHistory::Filter::all));
    filter_->addItem(qs(title(AgentKind::claudeCode)), int(AgentHistory::Filter::claude));
    filter_->addItem(qs(title(AgentKind::codex)), int(AgentHistory::Filter::codex));
    bar->addWidget(search_, 1);
    bar->addWidget(filter_);
    auto restart = [this] {
        historyShown_ = historyPage;
        rebuildHistory();
    };
    connect(search_, &QLineEdit::textChanged, this, restart);
    connect(filter_, &QComboBox::currentIndexChanged, this, restart);

    auto* listContent = new QWidget;
    list_ = new QVBoxLayout(listContent);
    list_->setContentsMargins(0, 0, 0, 0);
    list_->setSpacing(4);
    usage_ = new AIUsageView;
    auto* usageContent = new QWidget;
    auto* usageColumn = new QVBoxLayout(usageContent);
    usageColumn->setContentsMargins(0, 0, 4, 0);
    auto* limitsContent = new QWidget;
    limitsContent->setObjectName(QStringLiteral("limits"));
    limitRows_ = new QVBoxLayout(limitsContent);
    limitRows_->setContentsMargins(0, 0, 0, 6);
    limitRows_->setSpacing(4);
    usageColumn->addWidget(limitsContent);
    usageColumn->addWidget(usage_);
    usageColumn->addStretch();
    pages_ = new QStackedWidget;
    pages_->addWidget(SectionWidgets::scrolling(listContent));
    pages_->addWidget(SectionWidgets::scrolling(usageContent));

    status_ = label({}, "detail", Fonts::Style::caption);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->hide();
    statusTimer_.setSingleShot(true);
    statusTimer_.setInterval(statusMs);
    connect(&statusTimer_, &QTimer::timeout, this, [this] {
        status_->clear();
        status_->hide();
    });
    limitsTimer_.setInterval(limitsRedrawMs);
    connect(&limitsTimer_, &QTimer::timeout, this, &AISection::rebuildLimits);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addLayout(chipRow);
    column->addWidget(historyBar_);
    column->addWidget(pages_, 1);
    column->addWidget(status_);

    // The switch and the hidden ids may change elsewhere, or from a row's own
    // control, which must not be deleted while it is still emitting.
    subscription_ = services_.settings.subscribe([this](int) {
        QTimer::singleShot(0, this, [this] {
            if (chip_ == AIChip::history || chip_ == AIChip::setup)
                rebuild();
        });
    });
    showChip(AIChip::sessions);
}

AISection::~AISection()
{
    leaveView();
    services_.settings.unsubscribe(subscription_);
}

QString AISection::chipText(AIChip chip)
{
    switch (chip) {
    case AIChip::sessions:
        return QStringLiteral("Sessions");
    case AIChip::needsYou:
        return QStringLiteral("Needs you");
    case AIChip::history:
        return QStringLiteral("History");
    case AIChip::usage:
        return QStringLiteral("Usage");
    case AIChip::setup:
        break;
    }
    return QStringLiteral("Setup");
}

QColor AISection::brandTint(std::string_view agent)
{
    if (agent == title(AgentKind::claudeCode))
        return Palette::fromHex(claudeTint);
    if (agent == title(AgentKind::codex))
        return Palette::fromHex(codexTint);
    return Palette::accent;
}

std::string AISection::sessionDetail(const AgentTimeline::Session& session, const SessionLive* live)
{
    std::string detail = session.agent;
    if (!session.project.empty())
        detail += " \u00B7 " + session.project;
    if (live != nullptr && live->step)
        detail += " \u00B7 " + *live->step;
    return detail;
}

std::optional<std::string> AISection::contextText(const SessionLive* live)
{
    if (live == nullptr || !live->contextPercent)
        return std::nullopt;
    auto percent = static_cast<long long>(std::lround(std::clamp(*live->contextPercent, 0.0, 100.0)));
    return std::to_string(percent) + "% context";
}

void AISection::setState(const AgentsState& state)
{
    state_ = state;
    titles_.clear();
    for (const AgentHistoryEntry& entry : state_.history)
        titles_.emplace(entry.id, entry.title);
    usage_->setOverview(state_.usage, state_.indexing);
    // A session the history has not seen yet gets its title from a new
    // history, asked for once per session.
    bool unknown = false;
    for (const auto* group : {&state_.groups.needsYou, &state_.groups.working, &state_.groups.finishedToday}) {
        for (const AgentTimeline::Session& session : *group) {
            if (!titles_.contains(session.id) && askedFor_.insert(session.id).second)
                unknown = true;
        }
    }
    if (unknown && isVisible())
        askForHistory();
    // Usage redraws itself, and nothing in Setup comes from the sessions.
    if (chip_ != AIChip::usage && chip_ != AIChip::setup)
        rebuild();
}

void AISection::showChip(AIChip chip)
{
    chip_ = chip;
    if (auto* chipButton = chips_->button(int(chip)))
        chipButton->setChecked(true);
    historyBar_->setVisible(chip == AIChip::history);
    pages_->setCurrentIndex(chip == AIChip::usage ? 1 : 0);
    if (chip == AIChip::history && isVisible())
        askForHistory();
    rebuild();
}

void AISection::setSetup(AISetupModule* setup)
{
    setup_ = setup;
    if (chip_ == AIChip::setup)
        rebuild();
}

void AISection::setLimits(const LimitsState& limits)
{
    limits_ = limits;
    if (inView_)
        rebuildLimits();
}

void AISection::shownChanged(bool shown)
{
    inView_ = shown;
    if (!shown) {
        limitsTimer_.stop();
        return;
    }
    askForHistory();
    rebuildLimits();
    limitsTimer_.start();
}

void AISection::askForHistory()
{
    if (services_.refreshHistory)
        services_.refreshHistory();
}

void AISection::rebuild()
{
    switch (chip_) {
    case AIChip::sessions:
        rebuildSessions(false);
        break;
    case AIChip::needsYou:
        rebuildSessions(true);
        break;
    case AIChip::history:
        rebuildHistory();
        break;
    case AIChip::usage:
        break;
    case AIChip::setup:
        rebuildSetup();
        break;
    }
}

void AISection::rebuildSessions(bool onlyNeedsYou)
{
    clear(list_);
    const AgentSessionGroups& groups = state_.groups;
    if (onlyNeedsYou) {
        if (groups.needsYou.empty())
            add(list_, label(QStringLiteral("No session is waiting for you."), "empty", Fonts::Style::body));
        else
            add(list_, sessionGroup("needsYou", QStringLiteral("Needs you"), groups.needsYou));
    } else if (groups.needsYou.empty() && groups.working.empty() && groups.finishedToday.empty()) {
        add(list_, label(QStringLiteral("No agent sessions today."), "empty", Fonts::Style::body));
    } else {
        if (!groups.needsYou.empty())
            add(list_, sessionGroup("needsYou", QStringLiteral("Needs you"), groups.needsYou));
        if (!groups.working.empty())
            add(list_, sessionGroup("working", QStringLiteral("Working"), groups.working));
        if (!groups.finishedToday.empty())
            add(list_, sessionGroup("finishedToday", QStringLiteral("Finished today"), groups.finishedToday));
    }
    list_->addStretch();
}

QWidget* AISection::sessionGroup(const char* id, const QString& title,
                                 const std::vector<AgentTimeline::Session>& sessions)
{
    auto* group = new QWidget;
    group->setObjectName(QString::fromLatin1(id));
    group->setProperty("role", "group");
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(0, 0, 0, 4);
    column->setSpacing(4);
    auto* heading = label(title + dot + QString::number(sessions.size()), "section", Fonts::Style::caption, true);
    heading->setObjectName(QStringLiteral("heading"));
    column->addWidget(heading);
    for (const AgentTimeline::Session& session : sessions)
        column->addWidget(sessionRow(session));
    return group;
}

QWidget* AISection::sessionRow(const AgentTimeline::Session& session)
{
    auto found = state_.live.find(session.id);
    const SessionLive* live = found != state_.live.end() ? &found->second : nullptr;
    auto* row = rowFrame(session.id);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(10, 6, 10, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    grid->addWidget(symbolLabel(stateSymbol(session.state()), brandTint(session.agent), devicePixelRatioF()), 0, 0, 2,
                    1, Qt::AlignVCenter);
    auto title = titles_.find(session.id);
    std::string headline = title != titles_.end() ? title->second
                         : session.project.empty() ? session.agent
                                                   : session.project;
    auto* titleLabel = label(qs(headline), "title", Fonts::Style::body, true);
    titleLabel->setObjectName(QStringLiteral("title"));
    grid->addWidget(titleLabel, 0, 1);
    auto* detail = label(qs(sessionDetail(session, live)), "detail", Fonts::Style::caption);
    detail->setObjectName(QStringLiteral("detail"));
    grid->addWidget(detail, 1, 1);
    if (auto context = contextText(live)) {
        auto* contextLabel = label(qs(*context), "detail", Fonts::Style::caption);
        contextLabel->setObjectName(QStringLiteral("context"));
        grid->addWidget(contextLabel, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    }
    grid->setColumnStretch(1, 1);
    return row;
}

void AISection::rebuildHistory()
{
    if (chip_ != AIChip::history)
        return;
    clear(list_);
    auto filter = static_cast<AgentHistory::Filter>(filter_->currentData().toInt());
    std::vector<AgentHistoryEntry> shown = AgentHistory::filter(state_.history, search_->text().toStdString(), filter,
                                                                services_.settings.get(Keys::aiHistoryHidden));
    std::size_t total = shown.size();
    if (shown.size() > historyShown_)
        shown.resize(historyShown_);
    if (shown.empty())
        add(list_, label(state_.history.empty() ? QStringLiteral("No sessions in the last 30 days.")
                                                : QStringLiteral("No session matches."),
                         "empty", Fonts::Style::body));
    for (const AgentHistory::Group& group : AgentHistory::groups(shown, services_.clock.now(), services_.calendar)) {
        auto* heading = label(qs(group.title), "section", Fonts::Style::caption, true);
        add(list_, heading);
        for (const AgentHistoryEntry& entry : group.entries)
            add(list_, historyRow(entry));
    }
    if (total > shown.size()) {
        auto* older = button(QStringLiteral("Show older"), "older", false);
        // Queued: the rebuild deletes the button.
        connect(
            older, &QPushButton::clicked, this,
            [this] {
                historyShown_ += historyPage;
                rebuildHistory();
            },
            Qt::QueuedConnection);
        add(list_, older);
    }
    list_->addStretch();
}

QWidget* AISection::historyRow(const AgentHistoryEntry& entry)
{
    auto* row = rowFrame(entry.id);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(10, 5, 6, 5);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    auto* titleLabel = label(qs(entry.title), "title", Fonts::Style::body, true);
    titleLabel->setObjectName(QStringLiteral("title"));
    grid->addWidget(titleLabel, 0, 0, 1, 3);
    std::string detail = entry.agent;
    if (!entry.project.empty())
        detail += " \u00B7 " + entry.project;
    if (entry.branch)
        detail += " \u00B7 " + *entry.branch;
    detail += " \u00B7 " + AgentHistory::lastSeen(entry.end, services_.clock.now(), services_.calendar) + " \u00B7 "
            + durationText(entry.duration());
    if (entry.stoppedByRestart)
        detail += " \u00B7 stopped by a restart";
    auto* detailLabel = label(qs(detail), "detail", Fonts::Style::caption);
    detailLabel->setObjectName(QStringLiteral("detail"));
    grid->addWidget(detailLabel, 1, 0);
    if (AIResume::plan(entry, folderOf(entry.id))) {
        auto* resumeButton = button(QStringLiteral("Resume"), "resume", true);
        connect(resumeButton, &QPushButton::clicked, this, [this, id = entry.id] { resume(id); });
        grid->addWidget(resumeButton, 0, 3, 2, 1, Qt::AlignVCenter);
    }
    auto* hideButton = button(QStringLiteral("Hide"), "hide", false);
    connect(hideButton, &QPushButton::clicked, this, [this, id = entry.id] { hide(id); }, Qt::QueuedConnection);
    grid->addWidget(hideButton, 0, 4, 2, 1, Qt::AlignVCenter);
    grid->setColumnStretch(0, 1);
    return row;
}

void AISection::rebuildSetup()
{
    clear(list_);
    if (setup_)
        add(list_, new AISetupView(*setup_));
    add(list_, label(QStringLiteral("Hooks"), "section", Fonts::Style::caption, true));
    auto* hooks = rowFrame("hooks");
    auto* hooksColumn = new QVBoxLayout(hooks);
    hooksColumn->setContentsMargins(10, 6, 10, 6);
    auto* inbox = new QCheckBox(QStringLiteral("Read hook events"));
    inbox->setObjectName(QStringLiteral("hookInbox"));
    inbox->setChecked(services_.settings.get(Keys::claudeHookInbox));
    connect(inbox, &QCheckBox::toggled, this, [this](bool on) { services_.settings.set(Keys::claudeHookInbox, on); });
    hooksColumn->addWidget(inbox);
    auto* inboxDetail = label(
        QStringLiteral("Agent hooks drop one small file per event into %1; reading them tells finished and waiting "
                       "sessions apart at once.")
            .arg(qs(services_.inbox.string())),
        "detail", Fonts::Style::caption);
    inboxDetail->setWordWrap(true);
    hooksColumn->addWidget(inboxDetail);
    add(list_, hooks);

    add(list_, label(QStringLiteral("Agent skill file"), "section", Fonts::Style::caption, true));
    auto* skill = rowFrame("skill");
    auto* skillRow = new QHBoxLayout(skill);
    skillRow->setContentsMargins(10, 6, 10, 6);
    std::error_code error;
    bool installed = std::filesystem::exists(services_.skillFile, error);
    auto* skillText = label(installed ? QStringLiteral("Installed at %1").arg(qs(services_.skillFile.string()))
                                      : QStringLiteral("Not installed"),
                            "detail", Fonts::Style::caption);
    skillText->setObjectName(QStringLiteral("skillState"));
    skillText->setWordWrap(true);
    skillRow->addWidget(skillText, 1);
    if (services_.openSettings) {
        auto* open = button(QStringLiteral("Open Settings\u2026"), "openSettings", true);
        connect(open, &QPushButton::clicked, this, [this] { services_.openSettings(); });
        skillRow->addWidget(open);
    }
    add(list_, skill);
    list_->addStretch();
}

void AISection::rebuildLimits()
{
    clear(limitRows_);
    add(limitRows_, label(QStringLiteral("Plan limits"), "section", Fonts::Style::caption, true));
    std::string endpoint = limits_.polling ? ClaudeOAuth::statusText(limits_.endpoint) : std::string();
    if (!endpoint.empty()) {
        auto* line = label(qs(endpoint), "detail", Fonts::Style::caption);
        line->setObjectName(QStringLiteral("endpoint"));
        line->setWordWrap(true);
        add(limitRows_, line);
    }
    std::vector<LimitRow> rows = LimitsModule::rows(limits_, services_.clock.now(), services_.calendar);
    if (rows.empty())
        add(limitRows_, label(QStringLiteral("No plan-limit readings yet."), "empty", Fonts::Style::body));
    for (const LimitRow& row : rows)
        add(limitRows_, limitRow(row));
}

QWidget* AISection::limitRow(const LimitRow& limit)
{
    auto* row = rowFrame(limit.key);
    row->setProperty("stale", limit.stale);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(10, 6, 10, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    auto* title = label(qs(limit.title), "title", Fonts::Style::body, true);
    title->setObjectName(QStringLiteral("title"));
    grid->addWidget(title, 0, 0);
    auto* percent = label(qs(LimitWindowText::percent(limit.percent)), "title", Fonts::Style::body, true);
    percent->setObjectName(QStringLiteral("percent"));
    grid->addWidget(percent, 0, 1, Qt::AlignRight);
    auto* bar = new QProgressBar;
    bar->setObjectName(QStringLiteral("bar"));
    bar->setRange(0, 100);
    bar->setValue(int(std::lround(std::clamp(limit.percent, 0.0, 100.0))));
    bar->setTextVisible(false);
    bar->setFixedHeight(6);
    bar->setProperty("warn", limit.pace.warn);
    grid->addWidget(bar, 1, 0, 1, 2);
    auto* pace = label(qs(limit.pace.text), limit.pace.warn ? "warn" : "detail", Fonts::Style::caption);
    pace->setObjectName(QStringLiteral("pace"));
    grid->addWidget(pace, 2, 0);
    if (limit.resets) {
        auto* resets = label(qs(*limit.resets), "detail", Fonts::Style::caption);
        resets->setObjectName(QStringLiteral("resets"));
        grid->addWidget(resets, 2, 1, Qt::AlignRight);
    }
    // Where the number comes from and how old it is: an old reading is marked.
    auto* source = label(qs(limit.source) + dot + qs(limit.age), limit.stale ? "stale" : "detail", Fonts::Style::caption);
    source->setObjectName(QStringLiteral("source"));
    grid->addWidget(source, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    return row;
}

const AgentHistoryEntry* AISection::historyEntry(const std::string& id) const
{
    for (const AgentHistoryEntry& entry : state_.history)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

std::optional<std::filesystem::path> AISection::folderOf(const std::string& id) const
{
    auto found = state_.folders.find(id);
    return found != state_.folders.end() ? std::optional(found->second) : std::nullopt;
}

void AISection::hide(const std::string& id)
{
    services_.settings.set(Keys::aiHistoryHidden, AgentHistory::hide(id, services_.settings.get(Keys::aiHistoryHidden)));
    rebuild();
}

AIResume::Outcome AISection::resume(const std::string& id)
{
    const AgentHistoryEntry* entry = historyEntry(id);
    AIResume::Outcome outcome = entry != nullptr
                                    ? AIResume::resume(*entry, folderOf(id), *services_.terminal, services_.copy)
                                    : AIResume::Outcome{AIResume::Outcome::Kind::refused, "This session is gone."};
    showStatus(outcome.status);
    return outcome;
}

QString AISection::status() const { return status_->text(); }

void AISection::showStatus(const std::string& text)
{
    status_->setText(qs(text));
    status_->show();
    statusTimer_.start();
}

}  // namespace corvane::app
