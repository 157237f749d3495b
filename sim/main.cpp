#include <QApplication>

#include "app/ToolApp.h"
#include "sim/SimBackend.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    sim::SimBackend backend;
    CToolApp app(backend, nullptr);
    app.InitInstance();
    return 0;
}
