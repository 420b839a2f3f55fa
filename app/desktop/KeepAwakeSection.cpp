#include "app/desktop/KeepAwakeSection.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/desktop/KeepAwakeModule.h"
#include "app/desktop/SectionWidgets.h"
#include "core/keepawake/KeepAwakeMetrics.h"
#include "core/keepawake/KeepAwakeText.h"
#include "core/keepawake/KeepAwakeWeeklySummary.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;

constexpr int iconPixels = 16;
// The panel's lists get at least this much room; the section scrolls past it.
constexpr int minimumBudget = 480;

using SectionWidgets::add;
using SectionWidgets::button;
using SectionWidgets::clear;
using SectionWidgets::css;
using SectionWidgets::qs;

QString keepAwakeStyleSheet()
{
    return QStringLiteral(R"(
#keepAwake { background: transparent; }
QLabel, QCheckBox { color: %1; background: transparent; }
QLabel[role="detail"], QLabel[role="section"], QLabel[role="empty"] { color: %2; }
QLabel[role="problem"] { color: %5; }
QFrame[role="row"] { background: %3; border-radius: 10px; }
QPushButton { background: %3; color: %1; border: none; border-radius: 8px; padding: 4px 10px; }
QPushButton:hover { background: %4; }
QPushButton:checked, QPushButton[role="primary"] { background: %6; }
QLineEdit, QSpinBox { background: %3; color: %1; border: none; border-radius: 6px; padding: 3px 6px; }
QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; border: none; }
)")
        .arg(css(Palette::text), css(Palette::secondaryText), css(Palette::panelRaised), css(Palette::track),
             css(Palette::warning), css(Palette::accent));
}

// This section's texts wrap: its lines explain.
QLabel* label(const QString& text, const char* role, Fonts::Style style, bool bold = false)
{
    QLabel* out = SectionWidgets::label(text, role, style, bold);
    out->setWordWrap(true);
    return out;
}

// A row: a symbol, a title over a detail line, a note on the right, and an
// optional button at the end.
QFrame* row(const std::string& id, std::string_view symbolName, const QColor& tint, const QString& title,
            const QString& detail, const QString& note, qreal scale)
{
    QFrame* frame = SectionWidgets::rowFrame(id);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(10, 5, 8, 5);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    if (!symbolName.empty())
        grid->addWidget(SectionWidgets::symbolLabel(symbolName, tint, scale, iconPixels), 0, 0, 2, 1, Qt::AlignVCenter);
    grid->addWidget(label(title, "title", Fonts::Style::body, true), 0, 1);
    if (!detail.isEmpty())
        grid->addWidget(label(detail, "detail", Fonts::Style::caption), 1, 1);
    if (!note.isEmpty())
        grid->addWidget(label(note, "detail", Fonts::Style::caption), 0, 2, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
    return frame;
}

void addButton(QFrame* frame, QPushButton* pushButton, int column = 3)
{
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    grid->addWidget(pushButton, 0, column, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
}

QString kindTitle(WorkloadKind kind)
{
    switch (kind) {
    case WorkloadKind::agent: return QStringLiteral("Agent");
    case WorkloadKind::build: return QStringLiteral("Build");
    case WorkloadKind::custom: return QStringLiteral("Custom");
    }
    return {};
}

QString ruleDetail(const WorkloadRule& rule)
{
    QString floor = rule.minCPU > 0 ? QStringLiteral("from %1 % CPU").arg(rule.minCPU, 0, 'g', 4)
                                    : QStringLiteral("any CPU");
    return kindTitle(rule.kind) + QStringLiteral(" · ") + floor;
}

bool sameRule(const WorkloadRule& a, const WorkloadRule& b)
{
    return a.kind == b.kind && QString::fromStdString(a.match).compare(QString::fromStdString(b.match), Qt::CaseInsensitive) == 0;
}

// Three steps, work runs, the machine is held awake, it sleeps: the lit
// step in the accent colour, finished ones filled, the rest as a track.
class FlowPicture final : public QWidget {
public:
    FlowPicture(int active, std::set<int> done) : active_(active), done_(std::move(done)) { setFixedHeight(46); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        static const char* const names[] = {"Work", "Awake", "Sleep"};
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(Fonts::font(Fonts::Style::caption));
        qreal step = width() / 3.0;
        for (int index = 0; index < 3; ++index) {
            int number = index + 1;
            QPointF centre(step * (index + 0.5), 14);
            if (index > 0) {
                painter.setPen(QPen(done_.contains(index) ? Palette::accent : Palette::track, 2));
                painter.drawLine(QPointF(centre.x() - step + 10, 14), QPointF(centre.x() - 10, 14));
            }
            bool lit = number == active_;
            painter.setPen(Qt::NoPen);
            painter.setBrush(lit ? Palette::accent : done_.contains(number) ? Palette::secondaryText : Palette::track);
            painter.drawEllipse(centre, lit ? 7 : 5, lit ? 7 : 5);
            painter.setPen(lit ? Palette::text : Palette::secondaryText);
            painter.drawText(QRectF(centre.x() - step / 2, 26, step, 18), Qt::AlignCenter, QString::fromLatin1(names[index]));
        }
    }

private:
    int active_;
    std::set<int> done_;
};

QColor holderTint(KeepAwakeHolder::Tone tone)
{
    switch (tone) {
    case KeepAwakeHolder::Tone::working: return Palette::good;
    case KeepAwakeHolder::Tone::winding: return Palette::secondaryText;
    case KeepAwakeHolder::Tone::rule: return Palette::accent;
    case KeepAwakeHolder::Tone::secondary: return Palette::text;
    }
    return Palette::text;
}

QString helperText(HelperState state)
{
    switch (state) {
    case HelperState::needsUpdate: return QStringLiteral("The lid-closed helper needs an update.");
    case HelperState::needsRepair: return QStringLiteral("The lid-closed helper needs a repair.");
    case HelperState::unreachable: return QStringLiteral("The lid-closed helper doesn't answer.");
    case HelperState::installing: return QStringLiteral("Waiting for the administrator password…");
    default: return QStringLiteral("Install the lid-closed helper once to keep working with the lid closed.");
    }
}

// The card's main action for the helper's state; empty while it installs.
QString helperAction(HelperState state)
{
    switch (state) {
    case HelperState::needsUpdate: return QStringLiteral("Update");
    case HelperState::needsRepair: return QStringLiteral("Repair");
    case HelperState::installing: return {};
    default: return QStringLiteral("Install");
    }
}

bool helperInstalled(HelperState state)
{
    return state != HelperState::unknown && state != HelperState::notInstalled && state != HelperState::installing;
}

}  // namespace

KeepAwakeSection::KeepAwakeSection(KeepAwakeModule& module, QWidget* parent) : ShownSection(parent), module_(module)
{
    setObjectName(QStringLiteral("keepAwake"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(keepAwakeStyleSheet());

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    for (QVBoxLayout** part : {&status_, &holders_}) {
        *part = new QVBoxLayout;
        (*part)->setSpacing(4);
        column->addLayout(*part);
    }
    column->addWidget(buildControls());
    for (QVBoxLayout** part : {&recap_, &radar_}) {
        *part = new QVBoxLayout;
        (*part)->setSpacing(4);
        column->addLayout(*part);
    }
    column->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SectionWidgets::scrolling(content));

    connect(&module_, &KeepAwakeModule::changed, this, &KeepAwakeSection::rebuild);
    rebuild();
}

KeepAwakeSection::~KeepAwakeSection() { leaveView(); }

void KeepAwakeSection::shownChanged(bool shown) { module_.sectionShown(shown); }

QWidget* KeepAwakeSection::buildControls()
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    column->addWidget(label(QStringLiteral("Keep awake now"), "section", Fonts::Style::caption, true));
    auto* timers = new QHBoxLayout;
    for (double seconds : KeepAwakePlan::quickTimers) {
        auto* quick = button(qs(KeepAwakeText::hours(seconds / 3600)), "quickTimer");
        connect(quick, &QPushButton::clicked, this, [this, seconds] { module_.startSession(KeepAwakeMode::duration(seconds)); });
        timers->addWidget(quick);
    }
    auto* untilStopped = button(QStringLiteral("Until stopped"), "untilStopped");
    connect(untilStopped, &QPushButton::clicked, this, [this] { module_.startSession(KeepAwakeMode::indefinite()); });
    timers->addWidget(untilStopped);
    auto* servers = button(QStringLiteral("While dev servers run"), "whileDevServers");
    connect(servers, &QPushButton::clicked, this, [this] { module_.startSession(KeepAwakeMode::whileDevServers()); });
    timers->addWidget(servers);
    column->addLayout(timers);

    column->addWidget(label(QStringLiteral("When the lid closes"), "section", Fonts::Style::caption, true));
    auto* choices = new QHBoxLayout;
    for (LidChoice choice : {LidChoice::sleepNormally, LidChoice::sleepWhenDone, LidChoice::stayAwake}) {
        LidChoices::Presentation shown = LidChoices::presentation(choice);
        auto* pick = button(qs(shown.title) + QStringLiteral("\n") + qs(shown.caption), rawValue(choice).data());
        pick->setCheckable(true);
        connect(pick, &QPushButton::clicked, this, [this, choice] { module_.setLidChoice(choice); });
        lidChoices_[int(choice)] = pick;
        choices->addWidget(pick);
    }
    column->addLayout(choices);

    column->addWidget(label(QStringLiteral("Auto Mode"), "section", Fonts::Style::caption, true));
    autoCard_ = new QVBoxLayout;
    column->addLayout(autoCard_);
    autoToggle_ = button(QString(), "autoMode");
    autoToggle_->setCheckable(true);
    connect(autoToggle_, &QPushButton::clicked, this, [this](bool on) { module_.setAutoEnabled(on); });
    column->addWidget(autoToggle_);
    auto rule = [&](const char* text, bool KeepAwakeRules::*field) {
        auto* check = new QCheckBox(QString::fromUtf8(text));
        check->setFont(Fonts::font(Fonts::Style::body));
        connect(check, &QCheckBox::toggled, this, [this, field](bool on) {
            KeepAwakeRules rules = module_.rules();
            rules.*field = on;
            changeRules(rules);
        });
        column->addWidget(check);
        return check;
    };
    ruleAgents_ = rule("While agents and builds work", &KeepAwakeRules::agents);
    ruleApps_ = rule("While a listed app is open", &KeepAwakeRules::apps);
    rulePower_ = rule("While on the power adapter", &KeepAwakeRules::power);
    ruleDisplay_ = rule("While an external display is connected", &KeepAwakeRules::display);
    apps_ = new QVBoxLayout;
    apps_->setSpacing(2);
    column->addLayout(apps_);
    auto* addLine = new QHBoxLayout;
    appField_ = new QLineEdit;
    appField_->setObjectName(QStringLiteral("appField"));
    appField_->setPlaceholderText(QStringLiteral("App id, such as org.mozilla.firefox"));
    connect(appField_, &QLineEdit::returnPressed, this, &KeepAwakeSection::addApp);
    addLine->addWidget(appField_, 1);
    auto* addApp = button(QStringLiteral("Add"), "addApp");
    connect(addApp, &QPushButton::clicked, this, &KeepAwakeSection::addApp);
    addLine->addWidget(addApp);
    column->addLayout(addLine);
    appProblem_ = label(QString(), "problem", Fonts::Style::caption);
    appProblem_->hide();
    column->addWidget(appProblem_);

    column->addWidget(label(QStringLiteral("Your own work"), "section", Fonts::Style::caption, true));
    customRules_ = new QVBoxLayout;
    customRules_->setSpacing(2);
    column->addLayout(customRules_);
    auto* ruleLine = new QHBoxLayout;
    ruleKind_ = new QComboBox;
    ruleKind_->setObjectName(QStringLiteral("ruleKind"));
    for (WorkloadKind kind : {WorkloadKind::custom, WorkloadKind::build, WorkloadKind::agent})
        ruleKind_->addItem(kindTitle(kind), int(kind));
    ruleLine->addWidget(ruleKind_);
    ruleMatch_ = new QLineEdit;
    ruleMatch_->setObjectName(QStringLiteral("ruleMatch"));
    ruleMatch_->setPlaceholderText(QStringLiteral("Process name, or a phrase of its command line"));
    connect(ruleMatch_, &QLineEdit::returnPressed, this, &KeepAwakeSection::saveRule);
    ruleLine->addWidget(ruleMatch_, 1);
    ruleCPU_ = new QDoubleSpinBox;
    ruleCPU_->setObjectName(QStringLiteral("ruleCPU"));
    ruleCPU_->setRange(0, 1600);
    ruleCPU_->setDecimals(1);
    ruleCPU_->setSuffix(QStringLiteral(" % CPU"));
    ruleCPU_->setToolTip(QStringLiteral("Counts only while the process uses at least this much of one core; 0 for any."));
    ruleLine->addWidget(ruleCPU_);
    saveRule_ = button(QStringLiteral("Add"), "saveRule");
    connect(saveRule_, &QPushButton::clicked, this, &KeepAwakeSection::saveRule);
    ruleLine->addWidget(saveRule_);
    column->addLayout(ruleLine);
    ruleProblem_ = label(QString(), "problem", Fonts::Style::caption);
    ruleProblem_->hide();
    column->addWidget(ruleProblem_);

    column->addWidget(label(QStringLiteral("Safety"), "section", Fonts::Style::caption, true));
    auto* floorLine = new QHBoxLayout;
    floorLine->addWidget(label(QStringLiteral("Let the computer sleep below"), "title", Fonts::Style::body), 1);
    batteryFloor_ = new QSpinBox;
    batteryFloor_->setObjectName(QStringLiteral("batteryFloor"));
    batteryFloor_->setRange(GuardrailPolicy::lowestFloor, 90);
    batteryFloor_->setSuffix(QStringLiteral(" %"));
    connect(batteryFloor_, &QSpinBox::valueChanged, this, [this](int floor) {
        GuardrailPolicy policy = module_.guardrails();
        policy.batteryFloor = floor;
        module_.setGuardrails(policy);
    });
    floorLine->addWidget(batteryFloor_);
    column->addLayout(floorLine);
    chargingOnly_ = new QCheckBox(QStringLiteral("Run with the lid closed only while charging"));
    chargingOnly_->setFont(Fonts::font(Fonts::Style::body));
    connect(chargingOnly_, &QCheckBox::toggled, this, [this](bool on) {
        GuardrailPolicy policy = module_.guardrails();
        policy.onlyWhileCharging = on;
        module_.setGuardrails(policy);
    });
    column->addWidget(chargingOnly_);
    removeHelper_ = button(QStringLiteral("Remove the lid-closed helper"), "removeHelper");
    connect(removeHelper_, &QPushButton::clicked, &module_, &KeepAwakeModule::removeHelper);
    column->addWidget(removeHelper_);
    chips_ = label(QString(), "detail", Fonts::Style::caption);
    column->addWidget(chips_);
    return box;
}

void KeepAwakeSection::addApp()
{
    std::string typed(KeepAwakeText::trimmed(appField_->text().toStdString()));
    KeepAwakeRules rules = module_.rules();
    QString problem;
    if (!KeepAwakeRules::isValidAppID(typed))
        problem = QStringLiteral("An app id has letters, digits, dots, dashes or underscores, with a dot inside.");
    else if (rules.appBundleIDs.size() >= KeepAwakeRules::maxApps)
        problem = QStringLiteral("The list holds 30 apps at most.");
    else if (rules.adding(typed) == rules)
        problem = QStringLiteral("That app is listed already.");
    appProblem_->setText(problem);
    appProblem_->setVisible(!problem.isEmpty());
    if (!problem.isEmpty())
        return;
    appField_->clear();
    changeRules(rules.adding(typed));
}

void KeepAwakeSection::showRuleProblem(const QString& problem)
{
    ruleProblem_->setText(problem);
    ruleProblem_->setVisible(!problem.isEmpty());
}

void KeepAwakeSection::saveRule()
{
    std::string typed = ruleMatch_->text().toStdString();
    WorkloadRule rule{static_cast<WorkloadKind>(ruleKind_->currentData().toInt()),
                      std::string(KeepAwakeText::trimmed(typed)), ruleCPU_->value()};
    std::vector<WorkloadRule> rules = module_.customRules();
    if (editing_ && *editing_ >= rules.size())
        editing_.reset();
    if (rule.match.empty())
        return showRuleProblem(QStringLiteral("Type a process name or a phrase of its command line."));
    if (!WorkloadRule::isValid(typed))
        return showRuleProblem(QStringLiteral("A rule matches at most 100 characters, without control characters."));
    for (std::size_t index = 0; index < rules.size(); ++index) {
        if (index != editing_ && sameRule(rules[index], rule))
            return showRuleProblem(QStringLiteral("That rule is listed already."));
    }
    showRuleProblem({});
    if (editing_)
        rules[*editing_] = rule;
    else
        rules.push_back(rule);
    editing_.reset();
    ruleMatch_->clear();
    ruleCPU_->setValue(0);
    saveRule_->setText(QStringLiteral("Add"));
    module_.setCustomRules(rules);
}

void KeepAwakeSection::editRule(std::size_t index)
{
    std::vector<WorkloadRule> rules = module_.customRules();
    if (index >= rules.size())
        return;
    editing_ = index;
    ruleKind_->setCurrentIndex(ruleKind_->findData(int(rules[index].kind)));
    ruleMatch_->setText(qs(rules[index].match));
    ruleCPU_->setValue(std::max(0.0, rules[index].minCPU));
    saveRule_->setText(QStringLiteral("Save"));
    showRuleProblem({});
}

void KeepAwakeSection::showCustomRules()
{
    clear(customRules_);
    std::vector<WorkloadRule> rules = module_.customRules();
    for (std::size_t index = 0; index < rules.size(); ++index) {
        QFrame* ruleRow = row("rule." + std::to_string(index), {}, Palette::text, qs(rules[index].match),
                              ruleDetail(rules[index]), QString(), devicePixelRatioF());
        auto* edit = button(QStringLiteral("Edit"), "editRule");
        connect(edit, &QPushButton::clicked, this, [this, index] { editRule(index); });
        addButton(ruleRow, edit);
        auto* remove = button(QStringLiteral("Remove"), "removeRule");
        connect(remove, &QPushButton::clicked, this, [this, index] {
            std::vector<WorkloadRule> now = module_.customRules();
            if (index >= now.size())
                return;
            now.erase(now.begin() + std::ptrdiff_t(index));
            if (editing_ == index)
                editing_.reset();
            else if (editing_ && *editing_ > index)
                --*editing_;
            saveRule_->setText(editing_ ? QStringLiteral("Save") : QStringLiteral("Add"));
            module_.setCustomRules(now);
        });
        addButton(ruleRow, remove, 4);
        add(customRules_, ruleRow);
    }
}

void KeepAwakeSection::changeRules(const KeepAwakeRules& rules)
{
    if (rules != module_.rules())
        module_.setRules(rules);
}

void KeepAwakeSection::rebuild()
{
    std::vector<KeepAwakeHolder> holders = module_.holders();
    KeepAwakeMetrics::Mode mode = module_.stopped() ? KeepAwakeMetrics::Mode::stopped()
                                  : module_.recap()  ? KeepAwakeMetrics::Mode::recap(int(module_.recap()->rows.size()))
                                  : !holders.empty() ? KeepAwakeMetrics::Mode::holding(int(holders.size()))
                                                     : KeepAwakeMetrics::Mode::idle();
    KeepAwakeDecision decision = KeepAwakePlan::decide(module_.inputs());
    double budget = std::max(height(), minimumBudget);
    KeepAwakeMetrics::Layout layout = KeepAwakeMetrics::layout(mode, decision.helperCard, budget, true);
    showStatus(layout);
    showHolders(holders, layout);
    showAuto();
    showCustomRules();
    showRecap(layout);
    showRadar(budget);
}

void KeepAwakeSection::showStatus(const KeepAwakeMetrics::Layout& layout)
{
    clear(status_);
    KeepAwakeStatus status = module_.status();
    add(status_, label(qs(status.title), "headline", Fonts::Style::headline, true));
    add(status_, label(qs(status.sub), "detail", Fonts::Style::body));
    if (status.action != KeepAwakeStatus::Action::none) {
        bool resume = status.action == KeepAwakeStatus::Action::resume;
        auto* act = button(resume ? QStringLiteral("Resume") : QStringLiteral("Done"), resume ? "resume" : "done");
        act->setProperty("role", "primary");
        connect(act, &QPushButton::clicked, &module_, resume ? &KeepAwakeModule::resume : &KeepAwakeModule::dismiss);
        add(status_, act);
    }
    if (const auto& message = module_.lastMessage())
        add(status_, label(qs(*message), "problem", Fonts::Style::caption));
    for (const std::string& problem : module_.hotkeyProblems()) {
        QLabel* line = label(qs(problem), "problem", Fonts::Style::caption);
        line->setObjectName(QStringLiteral("hotkeyProblem"));
        add(status_, line);
    }
    if (layout.flow)
        add(status_, new FlowPicture(status.flowActive, status.flowDone));
    if (layout.helperCard) {
        auto* card = row("helperCard", "exclamationmark.triangle", Palette::warning, QStringLiteral("Closed-lid helper"),
                         helperText(module_.helper()), QString(), devicePixelRatioF());
        if (QString action = helperAction(module_.helper()); !action.isEmpty()) {
            auto* install = button(action, "installHelper");
            install->setProperty("role", "primary");
            connect(install, &QPushButton::clicked, &module_, &KeepAwakeModule::installHelper);
            addButton(card, install);
        }
        add(status_, card);
    }
    if (const auto& line = module_.helperLine())
        add(status_, label(qs(*line), "helperLine", Fonts::Style::caption));
    if (const auto& lid = module_.lidStatus(); lid && lid->leftByUs.value_or(false))
        add(status_, label(QStringLiteral("The helper couldn't turn sleep back on yet; it keeps trying."),
                           "problem", Fonts::Style::caption));
    for (int index = 0; index < 3; ++index)
        lidChoices_[index]->setChecked(int(module_.choice()) == index);
    removeHelper_->setVisible(helperInstalled(module_.helper()));
}

void KeepAwakeSection::showHolders(const std::vector<KeepAwakeHolder>& rows, const KeepAwakeMetrics::Layout& layout)
{
    clear(holders_);
    if (rows.empty())
        return;
    add(holders_, label(QStringLiteral("Keeping the computer awake"), "section", Fonts::Style::caption, true));
    for (int index = 0; index < layout.holderRows && index < int(rows.size()); ++index) {
        const KeepAwakeHolder& holder = rows[std::size_t(index)];
        QFrame* frame = row(holder.id, holder.symbol, holderTint(holder.tone), qs(holder.name), qs(holder.sub),
                            qs(holder.state), devicePixelRatioF());
        if (holder.stop) {
            bool manual = *holder.stop == KeepAwakeHolder::Stop::manual;
            auto* stop = button(QStringLiteral("Stop"), manual ? "stopManual" : "stopStay");
            connect(stop, &QPushButton::clicked, &module_, manual ? &KeepAwakeModule::stopSession
                                                                  : &KeepAwakeModule::stopStay);
            addButton(frame, stop);
        }
        add(holders_, frame);
    }
    if (layout.hiddenHolders > 0)
        add(holders_, label(QStringLiteral("and %1 more").arg(layout.hiddenHolders), "detail", Fonts::Style::caption));
}

void KeepAwakeSection::showAuto()
{
    clear(autoCard_);
    KeepAwakeRuleEngine::Card card = module_.autoCard();
    auto* frame = row("autoCard", "waveform.path.ecg", Palette::accent, qs(card.value), qs(card.reason),
                      qs(card.summary), devicePixelRatioF());
    add(autoCard_, frame);
    bool on = module_.autoEnabled();
    autoToggle_->setChecked(on);
    autoToggle_->setText(on ? QStringLiteral("Turn Auto Mode off") : QStringLiteral("Turn Auto Mode on"));

    const KeepAwakeRules& rules = module_.rules();
    for (auto [check, value] : {std::pair{ruleAgents_, rules.agents}, std::pair{ruleApps_, rules.apps},
                                std::pair{rulePower_, rules.power}, std::pair{ruleDisplay_, rules.display}}) {
        QSignalBlocker quiet(check);
        check->setChecked(value);
    }
    clear(apps_);
    for (const std::string& id : rules.appBundleIDs) {
        QFrame* appRow = row("app." + id, {}, Palette::text, qs(KeepAwakeModule::appName(id)), qs(id), QString(),
                             devicePixelRatioF());
        auto* remove = button(QStringLiteral("Remove"), "removeApp");
        connect(remove, &QPushButton::clicked, this, [this, id] { changeRules(module_.rules().removing(id)); });
        addButton(appRow, remove);
        add(apps_, appRow);
    }

    GuardrailPolicy policy = module_.guardrails();
    {
        QSignalBlocker quiet(batteryFloor_);
        batteryFloor_->setValue(policy.batteryFloor);
    }
    {
        QSignalBlocker quiet(chargingOnly_);
        chargingOnly_->setChecked(policy.onlyWhileCharging);
    }
    const PowerReadings& power = module_.chips();
    QStringList parts;
    if (power.batteryPercent)
        parts << QStringLiteral("Battery %1%").arg(*power.batteryPercent);
    if (power.charging)
        parts << QStringLiteral("charging");
    else if (power.onAC.value_or(false))
        parts << QStringLiteral("on power adapter");
    if (power.temperature)
        parts << QStringLiteral("%1 °C").arg(std::lround(*power.temperature));
    chips_->setText(parts.join(QStringLiteral(" · ")));
    chips_->setVisible(!parts.isEmpty());
}

void KeepAwakeSection::showRecap(const KeepAwakeMetrics::Layout& layout)
{
    clear(recap_);
    if (const auto& recap = module_.recap()) {
        add(recap_, label(QStringLiteral("While the lid was closed"), "section", Fonts::Style::caption, true));
        for (int index = 0; index < layout.recapRows && index < int(recap->rows.size()); ++index) {
            const KeepAwakeRecap::Row& line = recap->rows[std::size_t(index)];
            add(recap_, row("recap", {}, Palette::text, qs(line.text),
                            qs(KeepAwakeText::clockTime(line.time, module_.calendar())), QString(), devicePixelRatioF()));
        }
    }
    KeepAwakeWeeklySummary week = KeepAwakeWeeklySummary::of(module_.log(), module_.clock().now());
    add(recap_, label(QStringLiteral("This week"), "section", Fonts::Style::caption, true));
    add(recap_, label(QStringLiteral("By you %1 · Auto Mode %2 · Lid closed %3")
                          .arg(qs(heldText(week.manualSeconds)), qs(heldText(week.autoSeconds)),
                               qs(heldText(week.lidSeconds))),
                      "detail", Fonts::Style::caption));
}

void KeepAwakeSection::showRadar(double budget)
{
    clear(radar_);
    add(radar_, label(QStringLiteral("Other apps keeping it awake"), "section", Fonts::Style::caption, true));
    const auto& rows = module_.radar();
    int mine = module_.heldKind() != AssertionKind::none ? 1 : 0;
    KeepAwakeMetrics::RadarLayout layout = KeepAwakeMetrics::radar(mine, int(rows.size()), budget);
    if (rows.empty())
        add(radar_, label(QStringLiteral("Nothing else keeps the computer awake."), "empty", Fonts::Style::body));
    for (int index = 0; index < layout.otherRows && index < int(rows.size()); ++index) {
        const AwakeRadar::Row& other = rows[std::size_t(index)];
        bool confirming = other.pid == confirmingQuit_;
        QString sub = confirming ? QStringLiteral("Quit %1? Its unsaved work may be lost.").arg(qs(other.name))
                                 : qs(other.sub);
        QFrame* radarRow = row("radar." + std::to_string(other.pid), {}, Palette::text, qs(other.name), sub,
                               qs(other.tag), devicePixelRatioF());
        if (other.canQuit && !other.system) {
            std::int32_t pid = other.pid;
            if (!confirming) {
                auto* quit = button(QStringLiteral("Quit…"), "quitProcess");
                connect(quit, &QPushButton::clicked, this, [this, pid] {
                    confirmingQuit_ = pid;
                    rebuild();
                });
                addButton(radarRow, quit);
            } else {
                auto* cancel = button(QStringLiteral("Cancel"), "cancelQuit");
                connect(cancel, &QPushButton::clicked, this, [this] {
                    confirmingQuit_ = 0;
                    rebuild();
                });
                addButton(radarRow, cancel);
                auto* confirm = button(QStringLiteral("Quit"), "confirmQuit");
                confirm->setProperty("role", "primary");
                connect(confirm, &QPushButton::clicked, this, [this, pid] {
                    confirmingQuit_ = 0;
                    module_.quitRadarProcess(pid);
                    rebuild();
                });
                addButton(radarRow, confirm, 4);
            }
        }
        add(radar_, radarRow);
    }
    if (layout.hiddenOthers > 0)
        add(radar_, label(QStringLiteral("and %1 more").arg(layout.hiddenOthers), "detail", Fonts::Style::caption));
}

std::string KeepAwakeSection::heldText(double seconds)
{
    auto minutes = static_cast<long long>(std::floor(std::max(0.0, seconds) / 60));
    if (minutes < 60)
        return fmt::format("{} min", minutes);
    if (minutes % 60 == 0)
        return fmt::format("{} h", minutes / 60);
    return fmt::format("{} h {} min", minutes / 60, minutes % 60);
}

}  // namespace corvane::app
