#include "app/desktop/AIUsageView.h"

#include <algorithm>
#include <array>

#include <QMouseEvent>
#include <QPainter>

#include "core/agents/UsageText.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

namespace corvane::app {

namespace {

namespace Palette = ui::Palette;
namespace Fonts = ui::Fonts;

constexpr qreal tileHeight = 50;
constexpr qreal tileGap = 8;
constexpr qreal lineHeight = 18;
constexpr qreal gap = 12;
constexpr qreal captionHeight = 16;
constexpr qreal barsHeight = 52;
constexpr qreal cellHeight = 8;
constexpr qreal cellGap = 2;
constexpr qreal dayLabelWidth = 16;
constexpr qreal emptyHeight = 40;

constexpr std::array<const char*, 3> periodTitles{"Today", "This week", "This month"};
constexpr std::array<const char*, 7> dayLetters{"M", "T", "W", "T", "F", "S", "S"};

QString qs(const std::string& text) { return QString::fromStdString(text); }

qreal heatmapHeight() { return 7 * (cellHeight + cellGap); }

// Zero-use cells keep a faint track; the four levels step up to the accent.
QColor levelColour(int level)
{
    if (level <= 0)
        return Palette::track;
    QColor colour = Palette::accent;
    colour.setAlphaF(0.25 + 0.1875 * std::min(level, 4));
    return colour;
}

}  // namespace

AIUsageView::AIUsageView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("usage"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void AIUsageView::setOverview(std::optional<UsageOverview> overview, bool indexing)
{
    overview_ = std::move(overview);
    indexing_ = indexing;
    setFixedHeight(contentHeight());
    update();
}

void AIUsageView::choose(Period period)
{
    period_ = period;
    setFixedHeight(contentHeight());
    update();
}

const UsagePeriod& AIUsageView::period(const UsageOverview& overview, Period which)
{
    switch (which) {
    case Period::today:
        return overview.today;
    case Period::week:
        return overview.week;
    case Period::month:
        break;
    }
    return overview.month;
}

std::vector<AIUsageView::Line> AIUsageView::lines(const UsagePeriod& period)
{
    std::vector<Line> out;
    for (const auto& [agent, summary] : period.byAgent) {
        if (summary.tokens.total() == 0)
            continue;
        bool priced = summary.tokens.total() > summary.unpricedTokens;
        out.push_back({std::string(title(agent)), summary.tokens.total(),
                       priced ? std::optional(summary.cost) : std::nullopt, false});
        for (const ModelUsage& model : period.byModel) {
            if (model.agent == agent && model.tokens.total() > 0)
                out.push_back({model.model, model.tokens.total(), model.cost, true});
        }
    }
    return out;
}

std::string AIUsageView::figures(std::int64_t tokens, std::optional<double> cost)
{
    std::string text = UsageText::compactTokens(tokens);
    if (cost)
        text += " \u00B7 " + UsageText::dollars(*cost);
    return text;
}

std::optional<std::string> AIUsageView::busiestLine(const UsageHeatmap& heatmap)
{
    if (!heatmap.busiest)
        return std::nullopt;
    return "Busiest: " + *heatmap.busiest;
}

std::optional<std::string> AIUsageView::streakLine(int streak)
{
    if (streak <= 0)
        return std::nullopt;
    return "Streak: " + std::to_string(streak) + (streak == 1 ? " day" : " days");
}

int AIUsageView::contentHeight() const
{
    if (!overview_)
        return int(emptyHeight);
    auto count = static_cast<qreal>(std::max<std::size_t>(1, lines(period(*overview_, period_)).size()));
    qreal height = tileHeight + gap + count * lineHeight;
    height += gap + captionHeight + barsHeight;
    height += gap + captionHeight + heatmapHeight() + lineHeight;
    return int(height);
}

QSize AIUsageView::sizeHint() const { return {480, contentHeight()}; }

QRectF AIUsageView::tileRect(int index) const
{
    qreal width = (qreal(this->width()) - 2 * tileGap) / 3;
    return {index * (width + tileGap), 0, width, tileHeight};
}

void AIUsageView::mousePressEvent(QMouseEvent* event)
{
    for (int index = 0; index < 3; ++index) {
        if (overview_ && tileRect(index).contains(event->position())) {
            choose(static_cast<Period>(index));
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void AIUsageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = this->width();
    QFont body = Fonts::font(Fonts::Style::body);
    QFont caption = Fonts::font(Fonts::Style::caption);
    QFont headline = Fonts::font(Fonts::Style::headline);

    if (!overview_) {
        painter.setFont(body);
        painter.setPen(Palette::secondaryText);
        painter.drawText(QRectF(0, 0, width, emptyHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         indexing_ ? QStringLiteral("Reading the transcripts\u2026")
                                   : QStringLiteral("No usage recorded yet."));
        return;
    }
    const UsageOverview& overview = *overview_;

    // Tiles.
    for (int index = 0; index < 3; ++index) {
        QRectF tile = tileRect(index);
        const UsageSummary& total = period(overview, static_cast<Period>(index)).total;
        painter.setPen(Qt::NoPen);
        painter.setBrush(index == int(period_) ? Palette::panelRaised : Palette::panel);
        painter.drawRoundedRect(tile, 10, 10);
        QRectF inner = tile.adjusted(10, 6, -10, -6);
        painter.setFont(caption);
        painter.setPen(Palette::secondaryText);
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(periodTitles[std::size_t(index)]));
        painter.setFont(headline);
        painter.setPen(Palette::text);
        bool priced = total.tokens.total() > total.unpricedTokens;
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom,
                         qs(figures(total.tokens.total(), priced ? std::optional(total.cost) : std::nullopt)));
    }

    // The chosen period per agent and model.
    qreal y = tileHeight + gap;
    std::vector<Line> rows = lines(period(overview, period_));
    painter.setFont(body);
    if (rows.empty()) {
        painter.setPen(Palette::secondaryText);
        painter.drawText(QRectF(0, y, width, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("No tokens in this period."));
        y += lineHeight;
    }
    for (const Line& line : rows) {
        QRectF box(line.model ? 14 : 0, y, width - (line.model ? 14 : 0), lineHeight);
        painter.setFont(line.model ? caption : body);
        painter.setPen(line.model ? Palette::secondaryText : Palette::text);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, qs(line.label));
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                         qs(figures(line.tokens, line.cost) + (line.model && !line.cost ? " \u00B7 no price" : "")));
        y += lineHeight;
    }

    // The last 30 days.
    y += gap;
    painter.setFont(caption);
    painter.setPen(Palette::secondaryText);
    painter.drawText(QRectF(0, y, width, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Last %1 days").arg(overview.daily.size()));
    std::int64_t most = 0;
    for (const DailyUsage& day : overview.daily)
        most = std::max(most, day.tokens);
    if (most > 0)
        painter.drawText(QRectF(0, y, width, captionHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("peak %1").arg(qs(UsageText::compactTokens(most))));
    y += captionHeight;
    if (!overview.daily.empty()) {
        qreal slot = width / qreal(overview.daily.size());
        painter.setPen(Qt::NoPen);
        for (std::size_t index = 0; index < overview.daily.size(); ++index) {
            const DailyUsage& day = overview.daily[index];
            qreal height = most > 0 ? std::max<qreal>(2, barsHeight * qreal(day.tokens) / qreal(most)) : 2;
            painter.setBrush(day.tokens > 0 ? Palette::accent : Palette::track);
            painter.drawRoundedRect(QRectF(qreal(index) * slot + 1, y + barsHeight - height, slot - 2, height), 2, 2);
        }
    }
    y += barsHeight;

    // Weekday by hour.
    y += gap;
    painter.setFont(caption);
    painter.setPen(Palette::secondaryText);
    painter.drawText(QRectF(0, y, width, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("By hour, last %1 weeks").arg(UsageOverview::heatmapWeeks));
    y += captionHeight;
    qreal cellWidth = (width - dayLabelWidth) / 24;
    for (int day = 0; day < 7; ++day) {
        qreal top = y + day * (cellHeight + cellGap);
        painter.setPen(Palette::secondaryText);
        painter.drawText(QRectF(0, top - 2, dayLabelWidth, cellHeight + 4), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(dayLetters[std::size_t(day)]));
    }
    painter.setPen(Qt::NoPen);
    for (int day = 0; day < 7; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            int level = 0;
            auto index = std::size_t(day * 24 + hour);
            if (index < overview.heatmap.cells.size())
                level = overview.heatmap.cells[index].level;
            painter.setBrush(levelColour(level));
            painter.drawRoundedRect(QRectF(dayLabelWidth + hour * cellWidth + 1, y + day * (cellHeight + cellGap),
                                           cellWidth - 2, cellHeight),
                                    2, 2);
        }
    }
    y += heatmapHeight();
    painter.setFont(caption);
    painter.setPen(Palette::secondaryText);
    if (auto busiest = busiestLine(overview.heatmap))
        painter.drawText(QRectF(0, y, width, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, qs(*busiest));
    if (auto streak = streakLine(overview.streak))
        painter.drawText(QRectF(0, y, width, lineHeight), Qt::AlignRight | Qt::AlignVCenter, qs(*streak));
}

}  // namespace corvane::app
