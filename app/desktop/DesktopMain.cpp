#include <QApplication>
#include <QWidget>

#include "app/DesktopEntry.h"

extern "C" __attribute__((visibility("default"))) int luneboxDesktopMain(const LuneboxDesktopRequest* request)
{
    int argc = request->argc;
    QApplication application(argc, request->argv);
    QWidget island;
    island.setStyleSheet("background: black");
    island.resize(200, 32);
    island.show();
    return application.exec();
}
