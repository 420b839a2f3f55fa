#pragma once
// The Notifications inbox of the panel: filter chips, a caption, the alerts
// that need action, then day sections whose related alerts stack, each row
// with its one primary action. The layout comes from the alert centre's
// inbox plan; the widget follows the centre's changes as they happen and
// marks the history read while the user looks at it.
//
// Keyboard: Tab goes chips, clear button, rows; Up and Down walk the rows in
// the plan's focus order; Return runs a row's primary action; Space (or
// Right and Left) opens and closes a stack; Delete removes a row's alert.

#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QSize>
#include <QWidget>

#include "core/base/Scheduler.h"
#include "core/base/Time.h"
#include "core/base/Uuid.h"
#include "core/notch/AlertCenter.h"
#include "core/notch/SettingsStore.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace corvane::app {

class AppEnvironment;

class NotificationsSurface final : public QWidget {
    Q_OBJECT
public:
    // How long a first press of a clear or complete button waits for the second.
    static constexpr double armedSeconds = 3.0;

    explicit NotificationsSurface(AppEnvironment& environment, QWidget* parent = nullptr);
    ~NotificationsSurface() override;

    // Alerts that arrived since the inbox was last looked at (the dock badge).
    int unreadCount() const;

    // The inbox over a sample history of its own (needs action, stacks, a
    // time-sensitive alert, several days), drawn offscreen at the snapshot
    // scale. The environment's history is neither shown nor changed.
    static QImage renderSnapshot(AppEnvironment& environment, QSize size);

signals:
    void unreadCountChanged(int count);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Sources {
        AlertCenter& alerts;
        SettingsStore& settings;
        Scheduler& scheduler;
        const Clock& clock;
        Calendar calendar;
    };
    // What a row widget stands for.
    struct Row {
        QWidget* widget = nullptr;
        std::string id;  // the row id of the focus order
        Uuid record;
        std::string entry;  // the inbox entry the record belongs to
        bool stack = false;
        bool top = false;   // the entry's newest record
    };

    NotificationsSurface(Sources sources, QWidget* parent);

    void historyChanged();
    void markReadWhileShown();
    void publishUnread();
    void rebuild();
    void updateChips(const InboxCounts& counts, InboxFilter effective);
    void updateClearButton(const InboxCounts& counts, InboxFilter effective);
    QWidget* buildRows(const std::vector<InboxSection>& sections);
    QWidget* buildRow(const InboxEntry& entry, const AlertRecord& record, bool open);
    void animateOpenedStack();
    void restoreFocus(const std::string& rowID, std::size_t index);
    void chainTabOrder();
    void scheduleNextChange();

    void chooseFilter(InboxFilter filter);
    void pressClear();
    void runPrimary(const Uuid& record);
    void afterPress(AlertCenter::Press press);
    void toggleStack(const std::string& entry);
    void setStackOpen(const std::string& entry, bool open);
    void removeRecord(const Uuid& record);

    bool rowKey(const Row& row, int key);
    bool chipKey(QPushButton* chip, int key);
    void focusRow(std::size_t index);
    void focusChip(QPushButton* chip);
    void focusChosenChip();
    std::optional<std::size_t> focusedRowIndex() const;

    AlertCenter& alerts_;
    SettingsStore& settings_;
    Scheduler& scheduler_;
    const Clock& clock_;
    Calendar calendar_;

    AlertCenter::ListenerID listener_ = 0;
    SettingsStore::Subscription subscription_ = 0;
    NotificationGrouping grouping_;
    std::optional<Scheduler::TimerId> disarmTimer_;
    std::optional<Scheduler::TimerId> nextChangeTimer_;
    int publishedUnread_ = 0;
    bool markingRead_ = false;
    std::string openedStack_;  // fades in on the next rebuild

    std::map<InboxFilter, QPushButton*> chips_;
    QScrollArea* chipStrip_ = nullptr;
    QPushButton* clear_ = nullptr;
    QLabel* caption_ = nullptr;
    QLabel* status_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    std::vector<std::string> focusOrder_;          // row ids in display order
    std::map<std::string, QWidget*> rowWidgets_;   // row id -> row
    std::map<const QObject*, Row> rows_;
};

}  // namespace corvane::app
