#include "app/desktop/IslandWindows.h"

#include <QGuiApplication>
#include <QScreen>

namespace corvane::app {

IslandWindows::IslandWindows(AppEnvironment& environment, const SectionRegistry& sections, QObject* parent)
    : QObject(parent), environment_(environment), sections_(sections)
{
    auto* application = qGuiApp;
    connect(application, &QGuiApplication::screenAdded, this, [this] { rebuild(); });
    connect(application, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) { rebuild(screen); });
    connect(application, &QGuiApplication::primaryScreenChanged, this, [this] { rebuild(); });
}

void IslandWindows::show(DisplayChoice choice)
{
    if (choice_ == choice) {
        for (const auto& window : windows_)
            window->settingsChanged();
        return;
    }
    choice_ = choice;
    rebuild();
}

IslandWindow* IslandWindows::primary() const
{
    for (const auto& window : windows_) {
        if (window->screen() == QGuiApplication::primaryScreen())
            return window.get();
    }
    return windows_.empty() ? nullptr : windows_.front().get();
}

void IslandWindows::rebuild(QScreen* leaving)
{
    windows_.clear();
    if (!choice_)
        return;
    QList<QScreen*> screens;
    switch (*choice_) {
    case DisplayChoice::allDisplays:
        screens = QGuiApplication::screens();
        break;
    case DisplayChoice::notchDisplay:
        if (QScreen* primary = QGuiApplication::primaryScreen())
            screens.push_back(primary);
        break;
    case DisplayChoice::menuBarOnly:
        break;
    }
    screens.removeAll(leaving);
    for (QScreen* screen : screens) {
        auto window = std::make_unique<IslandWindow>(screen, environment_, sections_);
        window->show();
        windows_.push_back(std::move(window));
    }
}

}  // namespace corvane::app
