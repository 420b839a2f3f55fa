#include "app/desktop/IslandWindows.h"

#include <QGuiApplication>
#include <QScreen>

namespace corvane::app {

IslandWindows::IslandWindows(QObject* parent) : QObject(parent)
{
    auto* application = qGuiApp;
    connect(application, &QGuiApplication::screenAdded, this, [this] { rebuild(); });
    connect(application, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) { rebuild(screen); });
    connect(application, &QGuiApplication::primaryScreenChanged, this, [this] { rebuild(); });
}

void IslandWindows::show(DisplayChoice choice)
{
    if (choice_ == choice)
        return;
    choice_ = choice;
    rebuild();
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
        auto window = std::make_unique<IslandWindow>(screen);
        window->show();
        windows_.push_back(std::move(window));
    }
}

}  // namespace corvane::app
