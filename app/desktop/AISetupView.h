#pragma once
// The integrations and setup issues in the Setup chip: one row per
// integration with its status line and a Connect or Disconnect button, the
// issues the last scan found with a Fix button where the app can fix them,
// and, before anything is written, the change as a diff to accept or
// cancel. The last fix can be undone from here while its time lasts.

#include <QWidget>

class QVBoxLayout;

namespace corvane::app {

class AISetupModule;
struct IntegrationRow;

class AISetupView final : public QWidget {
    Q_OBJECT
public:
    explicit AISetupView(AISetupModule& module, QWidget* parent = nullptr);

private:
    void rebuild();
    QWidget* integrationRow(const IntegrationRow& row);
    QWidget* pendingBox();

    AISetupModule& module_;
    QVBoxLayout* column_ = nullptr;
};

}  // namespace corvane::app
