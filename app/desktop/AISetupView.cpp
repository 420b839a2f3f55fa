#include "app/desktop/AISetupView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/desktop/AISetupModule.h"
#include "app/desktop/SectionWidgets.h"
#include "ui/Palette.h"

namespace corvane::app {

using namespace SectionWidgets;
namespace Fonts = ui::Fonts;

namespace {

QLabel* wrapped(QLabel* label)
{
    label->setWordWrap(true);
    return label;
}

}  // namespace

AISetupView::AISetupView(AISetupModule& module, QWidget* parent) : QWidget(parent), module_(module)
{
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(6);
    connect(&module_, &AISetupModule::changed, this, &AISetupView::rebuild);
    rebuild();
}

void AISetupView::rebuild()
{
    clear(column_);
    const SetupState& state = module_.state();
    if (!module_.status().empty()) {
        auto* status = wrapped(label(qs(module_.status()), "detail", Fonts::Style::caption));
        status->setObjectName(QStringLiteral("setupStatus"));
        add(column_, status);
    }
    if (module_.pending())
        add(column_, pendingBox());

    add(column_, label(QStringLiteral("Integrations"), "section", Fonts::Style::caption, true));
    if (!state.scanned)
        add(column_, label(QStringLiteral("Looking at the agents' settings…"), "empty", Fonts::Style::body));
    for (const IntegrationRow& row : state.integrations)
        add(column_, integrationRow(row));

    if (state.undo) {
        auto* frame = rowFrame("undo");
        auto* line = new QHBoxLayout(frame);
        line->setContentsMargins(10, 6, 10, 6);
        line->addWidget(wrapped(label(QStringLiteral("Fixed: %1").arg(qs(state.undo->what)), "detail",
                                      Fonts::Style::caption)),
                        1);
        auto* undo = button(QStringLiteral("Undo"), "undoFix");
        connect(undo, &QPushButton::clicked, this, [this] { module_.undoFix(); });
        line->addWidget(undo);
        add(column_, frame);
    }

    if (state.scanned) {
        add(column_, label(QStringLiteral("Setup issues"), "section", Fonts::Style::caption, true));
        if (state.report.issues.empty())
            add(column_, label(QStringLiteral("The agents' setup looks right."), "empty", Fonts::Style::body));
    }
    for (const AISetup::Issue& issue : state.report.issues) {
        auto* frame = rowFrame("issue");
        auto* line = new QHBoxLayout(frame);
        line->setContentsMargins(10, 6, 10, 6);
        auto* words = new QVBoxLayout;
        words->setSpacing(1);
        words->addWidget(wrapped(label(qs(issue.title), "title", Fonts::Style::body, true)));
        if (!issue.detail.empty())
            words->addWidget(wrapped(label(qs(issue.detail), "detail", Fonts::Style::caption)));
        line->addLayout(words, 1);
        if (issue.fix) {
            auto* fix = button(QStringLiteral("Fix…"), "fix");
            connect(fix, &QPushButton::clicked, this,
                    [this, id = issue.id] { module_.preview(PendingChange::Kind::fix, id); });
            line->addWidget(fix, 0, Qt::AlignVCenter);
        }
        add(column_, frame);
    }
}

QWidget* AISetupView::integrationRow(const IntegrationRow& row)
{
    auto* frame = rowFrame(row.id);
    auto* line = new QHBoxLayout(frame);
    line->setContentsMargins(10, 6, 10, 6);
    auto* words = new QVBoxLayout;
    words->setSpacing(1);
    words->addWidget(label(qs(row.title), "title", Fonts::Style::body, true));
    std::string status = row.status.connected() ? "Connected" : row.status.text + row.status.detail;
    if (row.blocked && !row.installed)
        status = *row.blocked;
    auto* statusLabel = wrapped(label(qs(status), "detail", Fonts::Style::caption));
    statusLabel->setObjectName(QStringLiteral("integrationStatus"));
    words->addWidget(statusLabel);
    line->addLayout(words, 1);

    bool connected = row.installed || row.status.connected();
    auto* action = button(connected ? QStringLiteral("Disconnect…") : QStringLiteral("Connect…"),
                          connected ? "disconnect" : "connect", !connected);
    action->setEnabled(connected || !row.blocked);
    auto kind = connected ? PendingChange::Kind::disconnect : PendingChange::Kind::connect;
    connect(action, &QPushButton::clicked, this, [this, kind, id = row.id] { module_.preview(kind, id); });
    line->addWidget(action, 0, Qt::AlignVCenter);
    return frame;
}

QWidget* AISetupView::pendingBox()
{
    const PendingChange& change = *module_.pending();
    auto* frame = rowFrame("pending");
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(10, 6, 10, 6);
    box->addWidget(wrapped(label(qs(change.title), "title", Fonts::Style::body, true)));
    QStringList lines;
    for (const std::string& line : change.diff)
        lines << qs(line);
    auto* diff = label(lines.isEmpty() ? QStringLiteral("Nothing in the file changes.") : lines.join('\n'), "detail",
                       Fonts::Style::earMono);
    diff->setObjectName(QStringLiteral("diff"));
    diff->setTextInteractionFlags(Qt::TextSelectableByMouse);
    diff->setTextFormat(Qt::PlainText);
    box->addWidget(diff);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = button(QStringLiteral("Cancel"), "cancel");
    connect(cancel, &QPushButton::clicked, this, [this] { module_.cancel(); });
    auto* apply = button(QStringLiteral("Apply"), "apply", true);
    connect(apply, &QPushButton::clicked, this, [this] { module_.confirm(); });
    buttons->addWidget(cancel);
    buttons->addWidget(apply);
    box->addLayout(buttons);
    return frame;
}

}  // namespace corvane::app
