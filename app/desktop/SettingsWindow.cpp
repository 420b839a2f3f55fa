#include "app/desktop/SettingsWindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/base/Files.h"
#include "core/notch/Keys.h"

namespace corvane::app {

namespace {

template <typename E>
void selectData(QComboBox& box, E value)
{
    QSignalBlocker blocker(box);
    box.setCurrentIndex(box.findData(QString::fromUtf8(rawValue(value).data(), qsizetype(rawValue(value).size()))));
}

template <typename E>
std::optional<E> selectedValue(const QComboBox& box)
{
    return fromRawValue<E>(box.currentData().toString().toStdString());
}

QString errorText(const Error& error) { return QString::fromStdString(error.message()); }

}  // namespace

SettingsWindow::SettingsWindow(SettingsStore& store, std::function<void(bool)> setQuiet, QWidget* parent)
    : QWidget(parent), store_(store), setQuiet_(std::move(setQuiet))
{
    // The application display name follows: "Settings — Lunebox".
    setWindowTitle(QStringLiteral("Settings"));

    quiet_.setText(QStringLiteral("Quiet Mode"));
    connect(&quiet_, &QCheckBox::toggled, this, [this](bool on) { setQuiet_(on); });

    alertStyle_.addItem(QStringLiteral("Cards"), QStringLiteral("card"));
    alertStyle_.addItem(QStringLiteral("Ears"), QStringLiteral("ears"));
    connect(&alertStyle_, &QComboBox::currentIndexChanged, this, [this] {
        if (auto style = selectedValue<AlertStyle>(alertStyle_))
            store_.set(Keys::alertStyle, *style);
    });

    display_.addItem(QStringLiteral("On every screen"), QStringLiteral("allDisplays"));
    display_.addItem(QStringLiteral("On the main screen"), QStringLiteral("notchDisplay"));
    display_.addItem(QStringLiteral("Tray icon only"), QStringLiteral("menuBarOnly"));
    connect(&display_, &QComboBox::currentIndexChanged, this, [this] {
        if (auto choice = selectedValue<DisplayChoice>(display_))
            store_.set(Keys::display, *choice);
    });

    auto* exportButton = new QPushButton(QStringLiteral("Export Settings…"));
    connect(exportButton, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Settings"),
                                                    QDir::home().filePath(QStringLiteral("lunebox-settings.json")),
                                                    QStringLiteral("JSON (*.json)"));
        if (!path.isEmpty())
            showStatus(exportFile(path));
    });
    auto* importButton = new QPushButton(QStringLiteral("Import Settings…"));
    connect(importButton, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import Settings"), QDir::homePath(),
                                                    QStringLiteral("JSON (*.json)"));
        if (path.isEmpty())
            return;
        showStatus(importFile(path, [this](const SettingsStore::ImportPreview& preview) {
            auto answer = QMessageBox::question(
                this, QStringLiteral("Import Settings"),
                QStringLiteral("%1 settings will change; %2 already have these values. Import?")
                    .arg(preview.changed)
                    .arg(preview.unchanged));
            return answer == QMessageBox::Yes;
        }));
    });

    auto* form = new QFormLayout;
    form->addRow(QString(), &quiet_);
    form->addRow(QStringLiteral("Alert style"), &alertStyle_);
    form->addRow(QStringLiteral("Island"), &display_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(exportButton);
    buttons->addWidget(importButton);
    buttons->addStretch();
    status_.setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(&status_);

    subscription_ = store_.subscribe([this](int) { refresh(); });
    refresh();
}

SettingsWindow::~SettingsWindow() { store_.unsubscribe(subscription_); }

void SettingsWindow::refresh()
{
    {
        QSignalBlocker blocker(quiet_);
        quiet_.setChecked(store_.get(Keys::quietMode));
    }
    selectData(alertStyle_, store_.get(Keys::alertStyle));
    selectData(display_, store_.get(Keys::display));
}

void SettingsWindow::showStatus(const QString& text) { status_.setText(text); }

QString SettingsWindow::exportFile(const QString& path)
{
    auto json = store_.exportJSON();
    if (!json)
        return QStringLiteral("Export failed: ") + errorText(json.error());
    if (auto written = writeFileAtomically(path.toStdString(), *json, 0600); !written)
        return QStringLiteral("Export failed: ") + errorText(written.error());
    return QStringLiteral("Exported to %1.").arg(path);
}

QString SettingsWindow::importFile(const QString& path,
                                   const std::function<bool(const SettingsStore::ImportPreview&)>& confirm)
{
    auto text = readFileCapped(path.toStdString(), SettingsStore::maxImportBytes);
    if (!text)
        return QStringLiteral("Import failed: ") + errorText(text.error());
    auto preview = store_.previewImport(*text);
    if (!preview)
        return QStringLiteral("Import failed: ") + errorText(preview.error());
    if (!confirm(*preview))
        return QStringLiteral("Nothing imported.");
    auto imported = store_.importJSON(*text);
    if (!imported)
        return QStringLiteral("Import failed: ") + errorText(imported.error());
    return QStringLiteral("Imported %1 settings.").arg(*imported);
}

}  // namespace corvane::app
