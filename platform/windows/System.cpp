#include <time.h>

#include "platform/Platform.h"
#include "platform/windows/HidClassBackend.h"

namespace platform {

std::unique_ptr<boardlink::HidBackend> NewHidBackend() { return std::make_unique<windows::HidClassBackend>(); }

std::tm LocalTime(std::time_t moment)
{
    std::tm local{};
    if (localtime_s(&local, &moment) != 0)
        return std::tm{};
    return local;
}

AccessFix BoardAccessFix()
{
    // Windows gives every user the HID class driver's devices; what keeps a board closed is
    // another program that opened it without sharing, or a driver that did not start.
    return {"close other programs that use the board, replug it",
            "close every other program that uses the board, check that the Device Manager lists it under "
            "Human Interface Devices without a warning, then unplug the board and plug it in again"};
}

HelpWords SystemHelpWords()
{
    // A board's node is its HID interface path; nobody types one, so the help names where to
    // find it. The console's control handler takes Ctrl-Break and the closing of the console
    // window as Ctrl-C.
    return {"its device path as list shows it", "Ctrl-C or Ctrl-Break",
            "\"The system cannot find the file specified.\", \"Is a folder\", \"Access is denied.\"",
            "as while another program holds it",
            "reached through the Windows HID class driver, which lets every user open it; no driver is installed"};
}

}  // namespace platform
