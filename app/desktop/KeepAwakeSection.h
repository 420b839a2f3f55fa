#pragma once
// The Keep awake section of the Focus surface: the headline with its flow
// picture, quick timers, the lid choice, what holds the machine awake now
// (each user hold with its stop button), the closed-lid helper's card, the
// Auto Mode card with its rules, app list and the user's own workload
// rules, the guardrails, the recap of the last closed lid with the week's
// totals, and the other programs that keep the machine awake (an app among
// them can be asked to quit, once confirmed). The parts the user edits are
// built once; the rest follows the module's changes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "app/desktop/SectionWidgets.h"
#include "core/keepawake/KeepAwakeHolders.h"
#include "core/keepawake/KeepAwakeMetrics.h"
#include "core/keepawake/KeepAwakeRules.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace corvane::app {

class KeepAwakeModule;

class KeepAwakeSection final : public ShownSection {
    Q_OBJECT
public:
    explicit KeepAwakeSection(KeepAwakeModule& module, QWidget* parent = nullptr);
    ~KeepAwakeSection() override;

    // "3 h 20 min", "45 min", "0 min": the week's total of one kind of hold.
    static std::string heldText(double seconds);

    // Adds the app id typed in the field; an id that is not valid leaves the
    // rules as they are and says why.
    void addApp();
    // Adds the workload rule of the form, or saves the one being edited; a
    // rule that is not valid, or listed already, is refused with the reason.
    void saveRule();

protected:
    void shownChanged(bool shown) override;

private:
    QWidget* buildControls();
    void rebuild();
    void showStatus(const KeepAwakeMetrics::Layout& layout);
    void showHolders(const std::vector<KeepAwakeHolder>& rows, const KeepAwakeMetrics::Layout& layout);
    void showAuto();
    void showRecap(const KeepAwakeMetrics::Layout& layout);
    void showRadar(double budget);
    void showCustomRules();
    void editRule(std::size_t index);
    void showRuleProblem(const QString& problem);
    void changeRules(const KeepAwakeRules& rules);

    KeepAwakeModule& module_;
    QVBoxLayout* status_ = nullptr;
    QVBoxLayout* holders_ = nullptr;
    QVBoxLayout* autoCard_ = nullptr;
    QVBoxLayout* apps_ = nullptr;
    QVBoxLayout* recap_ = nullptr;
    QVBoxLayout* radar_ = nullptr;
    QPushButton* lidChoices_[3] = {};
    QPushButton* autoToggle_ = nullptr;
    QCheckBox* ruleAgents_ = nullptr;
    QCheckBox* ruleApps_ = nullptr;
    QCheckBox* rulePower_ = nullptr;
    QCheckBox* ruleDisplay_ = nullptr;
    QLineEdit* appField_ = nullptr;
    QLabel* appProblem_ = nullptr;
    QVBoxLayout* customRules_ = nullptr;
    QComboBox* ruleKind_ = nullptr;
    QLineEdit* ruleMatch_ = nullptr;
    QDoubleSpinBox* ruleCPU_ = nullptr;
    QPushButton* saveRule_ = nullptr;
    QLabel* ruleProblem_ = nullptr;
    std::optional<std::size_t> editing_;  // the rule the form edits; none: the form adds one
    std::int32_t confirmingQuit_ = 0;     // the radar row asking "quit?"; 0: none
    QSpinBox* batteryFloor_ = nullptr;
    QCheckBox* chargingOnly_ = nullptr;
    QPushButton* removeHelper_ = nullptr;
    QLabel* chips_ = nullptr;
};

}  // namespace corvane::app
