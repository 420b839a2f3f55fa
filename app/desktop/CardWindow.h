#pragma once
// The alert card under the island: symbol, eyebrow, headline and context
// of the visible card, its "×N" repeat badge and a bar of the time left.
// Pointing at it pauses the countdown; a click closes it and runs its
// primary action, whose title the card shows only when it can act.
// Painted like the island, so snapshots draw the same pixels.

#include <optional>

#include <QPainter>
#include <QRasterWindow>
#include <QTimer>

#include "app/desktop/AlertActions.h"
#include "app/desktop/CardPresenter.h"
#include "core/notch/AlertCardPlan.h"

namespace corvane::app {

class CardWindow final : public QRasterWindow {
    Q_OBJECT
public:
    static constexpr QSize cardSize{380, 78};
    static constexpr qreal cornerRadius = 18;

    // The card's plan, or one made from the alert's words when the source gave none.
    static AlertCardPlan planOf(const PresentedAlert& alert);
    // `action`: the button's title, when the card's action can act.
    static void paintCard(QPainter& painter, QSizeF size, const AlertQueue::Card& card, WallTime now,
                          std::optional<InboxAction> action);

    CardWindow(CardPresenter& presenter, AlertActions& actions);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void cardChanged();

    CardPresenter& presenter_;
    AlertActions& actions_;
    // Repaints the bar of the time left while it runs, and only then.
    QTimer frames_;
};

}  // namespace corvane::app
