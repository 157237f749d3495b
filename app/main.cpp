#include "app/ToolApp.h"
#include "link/HidapiBackend.h"

int main(int argc, char** argv)
{
    usbio::HidapiBackend backend;
    return CToolApp::Run(argc, argv, backend);
}
