#include <QApplication>

#include "app/ToolApp.h"
#include "sim/SimBackend.h"
#include "simwindow/SimBoardWindow.h"
#include "sim/SimWatcher.h"

// Tarvik on the simulated Morvane board, with the simulated board's own window beside it.
int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    sim::SimBackend backend;
    sim::SimWatcher watcher;
    sim::SimBoardWindow boardWindow(backend, watcher);
    boardWindow.show();
    CToolApp app(backend, &watcher);
    app.InitInstance();
    return 0;
}
