#pragma once
// A small settings window: quiet mode, the alert style, where the island
// shows, and export and import of all settings as one JSON file. Every
// control reads the store and follows it, so a change made from the tray,
// a URL or another process shows here at once.

#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include "core/notch/SettingsStore.h"

namespace corvane::app {

class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    // `setQuiet` switches quiet mode the way the tray does.
    SettingsWindow(SettingsStore& store, std::function<void(bool)> setQuiet, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Imports a settings file after the user confirmed the preview; returns
    // the line the window shows.
    QString importFile(const QString& path, const std::function<bool(const SettingsStore::ImportPreview&)>& confirm);
    QString exportFile(const QString& path);

private:
    void refresh();
    void showStatus(const QString& text);

    SettingsStore& store_;
    std::function<void(bool)> setQuiet_;
    SettingsStore::Subscription subscription_ = 0;
    QCheckBox quiet_;
    QComboBox alertStyle_;
    QComboBox display_;
    QLabel status_;
};

}  // namespace corvane::app
