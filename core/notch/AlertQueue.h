#pragma once
// The alert cards under the notch: one is visible, the others wait. A new
// card replaces the visible one unless that one outranks it, in which case
// it waits its turn; a repeat folds into its card as "×N" and restarts the
// card's time. A card that waited longer than it would have been shown is
// dropped: its moment passed, and the history keeps it anyway.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Time.h"
#include "core/notch/AlertCountdown.h"
#include "core/notch/AlertPresenter.h"

namespace corvane {

class AlertQueue {
public:
    // Cards of time-sensitive kinds outrank the others, so an ordinary card
    // never pushes a meeting or a low battery out of sight.
    static constexpr int ordinaryPriority = 50;
    static constexpr int timeSensitivePriority = 100;
    static constexpr std::size_t maxWaiting = 8;

    static int priority(bool timeSensitive) { return timeSensitive ? timeSensitivePriority : ordinaryPriority; }
    // True when no alert is showing or the incoming one ranks at least as high.
    static bool shouldReplace(std::optional<int> current, int incoming) { return !current || incoming >= *current; }
    // "×3" for a card shown three times; empty for one shown once.
    static std::string repeatBadge(int count);

    struct Card {
        PresentedAlert alert;
        int priority = ordinaryPriority;
        WallTime queuedAt = WallTime::fromUnixSeconds(0);
        AlertCountdown countdown{};
        bool operator==(const Card&) const = default;
    };

    enum class Outcome { shown, waiting, updated };

    const std::optional<Card>& visible() const { return visible_; }
    const std::vector<Card>& waiting() const { return waiting_; }

    Outcome present(PresentedAlert alert, int priority, WallTime now);
    // A repeat of a visible or waiting card (same kind and key) takes its
    // count and restarts its time; a repeat of a card that is gone shows anew.
    Outcome update(const PresentedAlert& alert, int priority, WallTime now);

    // Pointing at the visible card pauses its time; leaving resumes it.
    void pointerEntered(WallTime now);
    void pointerLeft(WallTime now);

    // Hides the visible card when its time ran out and shows the next
    // waiting one; true when the visible card changed.
    bool tick(WallTime now);
    // The user closed the visible card.
    void dismiss(WallTime now);
    // When the visible card runs out; none while paused or empty.
    std::optional<WallTime> nextDeadline() const;

private:
    void showNext(WallTime now);
    void enqueue(Card card);

    std::optional<Card> visible_;
    std::vector<Card> waiting_;  // highest priority first, then by arrival
};

}  // namespace corvane
