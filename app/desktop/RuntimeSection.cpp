#include "app/desktop/RuntimeSection.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include "app/desktop/DevServersModule.h"
#include "app/desktop/SectionWidgets.h"
#include "core/runtime/DevServerClassifier.h"
#include "core/runtime/PortOrigin.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;
using namespace SectionWidgets;

constexpr int refreshMs = 30'000;

}  // namespace

RuntimeSection::RuntimeSection(DevServersModule& module, QWidget* parent) : ShownSection(parent), module_(module)
{
    setObjectName(QStringLiteral("runtime"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(sectionStyleSheet(objectName()));

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(label(QStringLiteral("Dev servers"), "section", Fonts::Style::caption, true));
    servers_ = new QVBoxLayout;
    servers_->setSpacing(4);
    column->addLayout(servers_);
    column->addSpacing(6);
    column->addWidget(label(QStringLiteral("Listening ports"), "section", Fonts::Style::caption, true));
    ports_ = new QVBoxLayout;
    ports_->setSpacing(2);
    column->addLayout(ports_);
    column->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SectionWidgets::scrolling(content));

    refresh_.setInterval(refreshMs);
    connect(&refresh_, &QTimer::timeout, this, &RuntimeSection::rebuild);
    connect(&module_, &DevServersModule::changed, this, &RuntimeSection::rebuild);
    rebuild();
}

RuntimeSection::~RuntimeSection() { leaveView(); }

void RuntimeSection::showEvent(QShowEvent* event)
{
    ShownSection::showEvent(event);
    rebuild();
}

void RuntimeSection::shownChanged(bool shown)
{
    if (shown)
        refresh_.start();
    else
        refresh_.stop();
    module_.sectionShown(shown);
}

void RuntimeSection::rebuild()
{
    clear(servers_);
    clear(ports_);
    for (const DevServer& server : module_.servers())
        add(servers_, serverRow(server));
    if (module_.servers().empty())
        add(servers_, label(QStringLiteral("No dev servers are running."), "empty", Fonts::Style::body));
    for (const PortRow& row : module_.ports())
        add(ports_, portRow(row));
    if (module_.ports().empty())
        add(ports_, label(QStringLiteral("Nothing is listening on a local port."), "empty", Fonts::Style::body));
}

QWidget* RuntimeSection::serverRow(const DevServer& server)
{
    auto* row = rowFrame(server.id());
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(10, 6, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    grid->addWidget(symbolLabel("server.rack", Palette::fromHex(DevServerWords::upTint), devicePixelRatioF()), 0, 0,
                    2, 1, Qt::AlignVCenter);

    std::string title = server.title();
    std::string where = server.project.value_or(server.name);
    if (where != title)
        title += " \u00B7 " + where;
    grid->addWidget(label(qs(title), "title", Fonts::Style::body, true), 0, 1);
    double started = double(server.identity.startTime) / 1e6;
    double uptime = module_.clock().now().unixSeconds() - started;
    auto load = module_.loads().find(server.listener.pid);
    const ProcessLoadSample* sample = load != module_.loads().end() ? &load->second : nullptr;
    grid->addWidget(label(qs(detailLine(server, uptime, sample)), "detail", Fonts::Style::caption), 1, 1);

    std::string url = DevServerWords::localURL(server.listener.port);
    auto* open = new QPushButton(QStringLiteral("Open"));
    open->setObjectName(QStringLiteral("open"));
    open->setProperty("role", "primary");
    open->setToolTip(QStringLiteral("Open %1 in the browser").arg(qs(url)));
    open->setFont(Fonts::font(Fonts::Style::caption));
    open->setFocusPolicy(Qt::TabFocus);
    connect(open, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(QUrl(qs(url))); });
    grid->addWidget(open, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
    return row;
}

QWidget* RuntimeSection::portRow(const PortRow& row)
{
    auto* frame = rowFrame(row.id());
    auto* line = new QHBoxLayout(frame);
    line->setContentsMargins(10, 3, 8, 3);
    line->setSpacing(8);
    auto* port = label(QStringLiteral(":%1").arg(row.listener.port), "port", Fonts::Style::body, true);
    port->setMinimumWidth(56);
    line->addWidget(port);
    line->addWidget(label(qs(row.name), "name", Fonts::Style::body), 1);
    line->addWidget(label(qs(originText(row)), "origin", Fonts::Style::caption));
    return frame;
}

std::string RuntimeSection::uptimeText(double seconds)
{
    auto whole = static_cast<long long>(std::max(0.0, std::floor(seconds)));
    long long minutes = whole / 60;
    long long hours = minutes / 60;
    long long days = hours / 24;
    if (whole < 60)
        return "up " + std::to_string(whole) + " s";
    if (minutes < 60)
        return "up " + std::to_string(minutes) + " min";
    if (hours < 24)
        return "up " + std::to_string(hours) + " h " + std::to_string(minutes % 60) + " min";
    return "up " + std::to_string(days) + " d " + std::to_string(hours % 24) + " h";
}

std::string RuntimeSection::detailLine(const DevServer& server, double uptimeSeconds, const ProcessLoadSample* load)
{
    std::string line = fmt::format(":{} \u00B7 {}", server.listener.port, uptimeText(uptimeSeconds));
    if (load != nullptr) {
        line += fmt::format(" \u00B7 {}% CPU \u00B7 {} MB", std::lround(load->cpu), load->memory >> 20);
    }
    return line;
}

std::string RuntimeSection::originText(const PortRow& row)
{
    if (row.isDevServer)
        return "Dev server";
    return PortOrigin::classify(row.name, row.path, row.command, row.listener.port, row.own,
                                DevServerClassifier::User::current().home)
        .title();
}

}  // namespace corvane::app
