#include <QApplication>

#include "app/ToolApp.h"
#include "link/HidapiBackend.h"
#include "link/UdevWatcher.h"

// Tarvik on the real board: hidapi over hidraw, board attach and detach from udev.
int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    boardlink::HidapiBackend backend;
    boardlink::UdevWatcher watcher;
    CToolApp app(backend, &watcher);
    app.InitInstance();
    return 0;
}
