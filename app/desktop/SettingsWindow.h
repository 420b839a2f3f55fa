#pragma once
// A small settings window: quiet mode, the alert style, where the island
// shows, the coding agents' skill file, and export and import of all
// settings as one JSON file. Every
// control reads the store and follows it, so a change made from the tray,
// a URL or another process shows here at once.

#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "core/notch/KnownPaths.h"
#include "core/notch/SettingsStore.h"

namespace corvane::app {

class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    // How long "Installed." and "Removed." stay.
    static constexpr int transientStatusMs = 4'000;

    // `setQuiet` switches quiet mode the way the tray does; `paths` names
    // the skill file and tells a harness run, which writes nothing.
    SettingsWindow(SettingsStore& store, const KnownPaths& paths, std::function<void(bool)> setQuiet,
                   QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Imports a settings file after the user confirmed the preview; returns
    // the line the window shows.
    QString importFile(const QString& path, const std::function<bool(const SettingsStore::ImportPreview&)>& confirm);
    QString exportFile(const QString& path);
    // Writes or removes the agent skill file once the user confirmed the
    // question; returns the line the window shows, the current one when
    // the user cancelled. A harness run writes nothing and says so.
    QString installSkill(const std::function<bool(const QString& message, const QString& informative)>& confirm);
    QString removeSkill(const std::function<bool(const QString& message)>& confirm);
    // "Install skill file…", or "Update skill file…" when it exists.
    QString skillButtonText() const;

private:
    void refresh();
    void refreshSkill();
    void showStatus(const QString& text);
    // "Installed." and "Removed." go after a while; other lines stay.
    void showSkillStatus(const QString& text);

    SettingsStore& store_;
    const KnownPaths& paths_;
    std::function<void(bool)> setQuiet_;
    SettingsStore::Subscription subscription_ = 0;
    QCheckBox quiet_;
    QComboBox alertStyle_;
    QComboBox display_;
    QPushButton installSkill_;
    QPushButton removeSkill_;
    QLabel status_;
    QTimer statusTimer_;
};

}  // namespace corvane::app
