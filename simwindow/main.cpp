#include <QApplication>
#include <iostream>

#include "app/InfoOptions.h"
#include "app/MainDlg.h"
#include "app/ToolApp.h"
#include "sim/SimBackend.h"
#include "simwindow/SimBoardWindow.h"
#include "simwindow/SimWatcher.h"

namespace {

const ProgramDescription TarvikSim{
    "tarvik-sim",
    "Tarvik on the simulated Morvane FPGA board, for trying the program and teaching without a board.",
    "The same program as tarvik, on a simulated board instead of the USB one. The simulated "
    "board's own window plugs and unplugs it (into the same port or another), switches its JTAG "
    "chain, sets the levels of undriven pins, and upsets it with the faults the program must "
    "survive: a lost reply, a failed write, a refused capture, a page that fails to program, a "
    "blank serial number.\n\n"
    "With Real USB timing on (the default) each report takes a 1 ms USB frame each way and a lost "
    "reply is reported after the real 6000 ms wait, as with the board; switched off, the simulated "
    "board answers at once.",
};

}  // namespace

// Tarvik on the simulated Morvane board, with the simulated board's own window beside it.
int main(int argc, char** argv)
{
    if (const auto answered = AnswerInfoOption(argc, argv, TarvikSim, std::cout))
        return *answered;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    sim::SimBackend backend;
    backend.SetRealTiming(true);
    // Nobody reads the reports the board receives here: keep none.
    backend.SetRecording(false);
    sim::SimWatcher watcher;
    sim::SimBoardWindow boardWindow(backend, watcher);
    CToolApp app(backend, &watcher);
    app.SetMainWindowShownHandler([&boardWindow](QWidget& mainWindow) { boardWindow.ShowBeside(mainWindow); });
    app.InitInstance();
    return 0;
}
