#include <QApplication>
#include <iostream>
#include <string>

#include "app/InfoOptions.h"
#include "app/ToolApp.h"
#include "devicewatch/DeviceEvent.h"
#include "platform/Platform.h"

namespace {

// The board's way in is the system's: its words come from the platform.
const std::string TarvikDetails =
    "Plug the board in and Tarvik shows what its flash remembers (serial number, programming cycles, "
    "last programming, last file), downloads a raw FPGA configuration file (.rbf) into its flash, and "
    "tests the board's 80 header pins over the JTAG boundary-scan chain, with the captured pin states "
    "drawn on a picture of the board.\n\n"
    "The board is a USB HID device (vendor 0925, product 1299) " +
    platform::SystemHelpWords().boardAccess + ". Tarvik keeps no settings and writes no files.";

const ProgramDescription Tarvik{
    "tarvik",
    "Show the Morvane FPGA board's flash information, download configurations into it and test its pins.",
    TarvikDetails.c_str(),
};

}  // namespace

// Tarvik on the real board: the platform's device layer, board attach and detach from the
// system's device notifications.
int main(int argc, char** argv)
{
    if (const auto answered = AnswerInfoOption(argc, argv, Tarvik, std::cout))
        return *answered;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    const std::unique_ptr<boardlink::HidBackend> backend = platform::NewHidBackend();
    const std::unique_ptr<boardlink::DeviceWatcher> watcher = devicewatch::NewSystemWatcher();
    CToolApp app(*backend, watcher.get());
    app.InitInstance();
    return 0;
}
