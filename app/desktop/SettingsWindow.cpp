#include "app/desktop/SettingsWindow.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/base/Files.h"
#include "core/notch/Keys.h"
#include "core/notch/KnownPaths.h"
#include "core/runtime/AgentSkillFile.h"

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

const QString installedText = QStringLiteral("Installed.");
const QString removedText = QStringLiteral("Removed.");
const QString harnessText =
    QStringLiteral("This is a test build of Lunebox — it doesn't change your files or Keychain.");

// A modal question with the two buttons the skill file's dialogs use.
bool askModal(QWidget* parent, const QString& message, const QString& informative, const QString& accept)
{
    QMessageBox box(parent);
    box.setText(message);
    box.setInformativeText(informative);
    QPushButton* yes = box.addButton(accept, QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace

SettingsWindow::SettingsWindow(SettingsStore& store, const KnownPaths& paths, std::function<void(bool)> setQuiet,
                               QWidget* parent)
    : QWidget(parent), store_(store), paths_(paths), setQuiet_(std::move(setQuiet))
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

    connect(&installSkill_, &QPushButton::clicked, this, [this] {
        showSkillStatus(installSkill([this](const QString& message, const QString& informative) {
            return askModal(this, message, informative, QStringLiteral("Install"));
        }));
    });
    removeSkill_.setText(QStringLiteral("Remove"));
    connect(&removeSkill_, &QPushButton::clicked, this, [this] {
        showSkillStatus(removeSkill(
            [this](const QString& message) { return askModal(this, message, QString(), QStringLiteral("Remove")); }));
    });
    auto* ai = new QGroupBox(QStringLiteral("AI"));
    auto* skillRow = new QHBoxLayout(ai);
    skillRow->addWidget(new QLabel(QStringLiteral("Agent skill file")));
    skillRow->addStretch();
    skillRow->addWidget(&installSkill_);
    skillRow->addWidget(&removeSkill_);
    statusTimer_.setSingleShot(true);
    statusTimer_.setInterval(transientStatusMs);
    connect(&statusTimer_, &QTimer::timeout, this, [this] { status_.clear(); });

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
    layout->addWidget(ai);
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
    refreshSkill();
}

void SettingsWindow::refreshSkill()
{
    installSkill_.setText(skillButtonText());
    removeSkill_.setEnabled(QFile::exists(QString::fromStdString(paths_.agentSkill().string())));
}

void SettingsWindow::showStatus(const QString& text)
{
    statusTimer_.stop();
    status_.setText(text);
}

void SettingsWindow::showSkillStatus(const QString& text)
{
    showStatus(text);
    if (text == installedText || text == removedText)
        statusTimer_.start();
    refreshSkill();
}

QString SettingsWindow::skillButtonText() const
{
    return QFile::exists(QString::fromStdString(paths_.agentSkill().string())) ? QStringLiteral("Update skill file\u2026")
                                                                             : QStringLiteral("Install skill file\u2026");
}

QString SettingsWindow::installSkill(const std::function<bool(const QString&, const QString&)>& confirm)
{
    if (paths_.isHarness())
        return harnessText;
    std::string executable = KnownPaths::runningExecutable().string();
    QString file = QString::fromStdString(paths_.agentSkill().string());
    QString informative = QStringLiteral("This writes ") + file + QStringLiteral(":\n\n")
                        + QString::fromStdString(AgentSkillFile::text(executable));
    if (!confirm(QStringLiteral("Install the Lunebox agent skill?"), informative))
        return status_.text();
    if (auto written = AgentSkillFile::write(paths_.agentSkill(), executable); !written)
        return QStringLiteral("Couldn't write the file: ") + errorText(written.error());
    return installedText;
}

QString SettingsWindow::removeSkill(const std::function<bool(const QString&)>& confirm)
{
    if (paths_.isHarness())
        return harnessText;
    if (!confirm(QStringLiteral("Remove the agent skill file?")))
        return status_.text();
    AgentSkillFile::remove(paths_.agentSkill());
    return removedText;
}

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
