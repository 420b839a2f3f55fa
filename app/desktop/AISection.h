#pragma once
// The AI section of the Dev surface, drawn over the agents module's
// published state. Five chips: the sessions (needing the user, working,
// finished today, each with its live step and how full its context is),
// only those that need the user, the 30-day history (search, agent filter,
// day groups, hide, resume), usage with the plan limits above the
// figures, and the setup that exists today (the hook inbox switch and the
// skill file's state). The limit rows, whose ages move with the clock, are
// drawn only while the section is in view.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include <QTimer>
#include <QWidget>

#include "app/desktop/AIResume.h"
#include "app/desktop/AgentsModule.h"
#include "app/desktop/LimitsModule.h"
#include "app/desktop/SectionWidgets.h"
#include "core/agents/AgentHistory.h"
#include "core/base/Time.h"
#include "core/notch/SettingsStore.h"
#include "platform/TerminalLauncher.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QVBoxLayout;

namespace corvane::app {

class AISetupModule;
class AIUsageView;

enum class AIChip { sessions, needsYou, history, usage, setup };

class AISection final : public ShownSection {
    Q_OBJECT
public:
    static constexpr std::size_t historyPage = 50;
    static constexpr int statusMs = 6'000;
    // How often the limit rows' ages are redrawn while in view.
    static constexpr int limitsRedrawMs = 30'000;

    struct Services {
        SettingsStore& settings;
        const Clock& clock;
        Calendar calendar;
        std::shared_ptr<platform::TerminalLauncher> terminal;
        AIResume::Copy copy;                   // empty: the desktop's clipboard
        std::function<void()> refreshHistory;  // asks the module to rebuild the history
        std::function<void()> openSettings;    // empty: no button leads there
        std::filesystem::path skillFile;
        std::filesystem::path inbox;
    };

    explicit AISection(Services services, QWidget* parent = nullptr);
    ~AISection() override;

    void setState(const AgentsState& state);
    void setLimits(const LimitsState& limits);
    // The integrations and setup issues shown in the Setup chip.
    void setSetup(AISetupModule* setup);
    void showChip(AIChip chip);
    AIChip chip() const { return chip_; }

    static QString chipText(AIChip chip);
    // Brand colour of an agent by its title.
    static QColor brandTint(std::string_view agent);
    // "Claude Code · lunebox · Editing main.cpp": who, where, and what it does.
    static std::string sessionDetail(const AgentTimeline::Session& session, const SessionLive* live);
    // "42% context", none when unknown.
    static std::optional<std::string> contextText(const SessionLive* live);

    // What the history's buttons do.
    void hide(const std::string& id);
    AIResume::Outcome resume(const std::string& id);
    QString status() const;

protected:
    void shownChanged(bool shown) override;

private:
    void rebuild();
    void rebuildSessions(bool onlyNeedsYou);
    void rebuildHistory();
    void rebuildSetup();
    void rebuildLimits();
    QWidget* limitRow(const LimitRow& row);
    QWidget* sessionGroup(const char* id, const QString& title, const std::vector<AgentTimeline::Session>& sessions);
    QWidget* sessionRow(const AgentTimeline::Session& session);
    QWidget* historyRow(const AgentHistoryEntry& entry);
    void showStatus(const std::string& text);
    const AgentHistoryEntry* historyEntry(const std::string& id) const;
    std::optional<std::filesystem::path> folderOf(const std::string& id) const;
    void askForHistory();

    Services services_;
    AgentsState state_;
    LimitsState limits_;
    AISetupModule* setup_ = nullptr;
    bool inView_ = false;
    std::map<std::string, std::string> titles_;  // session id to history title
    std::set<std::string> askedFor_;             // session ids the history was rebuilt for
    AIChip chip_ = AIChip::sessions;
    std::size_t historyShown_ = historyPage;

    QButtonGroup* chips_ = nullptr;
    QWidget* historyBar_ = nullptr;
    QLineEdit* search_ = nullptr;
    QComboBox* filter_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QVBoxLayout* list_ = nullptr;
    AIUsageView* usage_ = nullptr;
    QVBoxLayout* limitRows_ = nullptr;
    QTimer limitsTimer_;
    QLabel* status_ = nullptr;
    QTimer statusTimer_;
    SettingsStore::Subscription subscription_ = 0;
};

}  // namespace corvane::app
