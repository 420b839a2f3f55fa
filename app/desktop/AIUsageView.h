#pragma once
// The usage view of the AI section, painted: three tiles (today, this
// week, this month) with tokens and dollars, the chosen period's lines per
// agent and per model, the last 30 days as bars, and the weekday-by-hour
// heat map with its busiest time and the streak. A click on a tile
// chooses the period the lines show.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "core/agents/UsageOverview.h"

namespace corvane::app {

class AIUsageView final : public QWidget {
    Q_OBJECT
public:
    enum class Period { today, week, month };

    // One line under the tiles: an agent, or one of its models (indented).
    struct Line {
        std::string label;
        std::int64_t tokens = 0;
        std::optional<double> cost;  // none: no price known
        bool model = false;
        bool operator==(const Line&) const = default;
    };

    explicit AIUsageView(QWidget* parent = nullptr);

    void setOverview(std::optional<UsageOverview> overview, bool indexing);
    void choose(Period period);
    Period chosen() const { return period_; }

    // The agents that used tokens in the period, each followed by its models.
    static std::vector<Line> lines(const UsagePeriod& period);
    static const UsagePeriod& period(const UsageOverview& overview, Period which);
    // "1.2M · $3.40", or the tokens alone when nothing had a price.
    static std::string figures(std::int64_t tokens, std::optional<double> cost);
    // "Busiest: Tuesday afternoons", none without use.
    static std::optional<std::string> busiestLine(const UsageHeatmap& heatmap);
    // "Streak: 1 day", "Streak: 5 days"; none without one.
    static std::optional<std::string> streakLine(int streak);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int contentHeight() const;
    QRectF tileRect(int index) const;

    std::optional<UsageOverview> overview_;
    bool indexing_ = false;
    Period period_ = Period::today;
};

}  // namespace corvane::app
