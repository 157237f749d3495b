#include <QApplication>

#include "app/ToolApp.h"
#include "link/HidapiBackend.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    usbio::HidapiBackend backend;
    CToolApp app(backend, nullptr);
    app.InitInstance();
    return 0;
}
