#include "app/DeviceChange.h"

#include "app/MainWindowHost.h"
#include "board/InfoBlock.h"
#include "board/LocalTime.h"
#include "link/BoardLink.h"
#include "link/BoardNotification.h"

using namespace board;

namespace {

void OnBoardArrival(MainWindowHost& window)
{
    window.LogLine(FormatLocalTime(window.Clock(), "%m/%d/%Y %H:%M:%S Morvane FPGA board attached"));
    InfoBlock sbuf{};
    ReadFlashPage(window.Link(), 0, sbuf.data());
    ReadFlashPage(window.Link(), 128, sbuf.data() + FlashPageSize);
    ApplyAttachDisplay(sbuf, window);
    window.SetProgressPos(0);
    if (CheckJtagChain(window.Link()) != ChainCheck::Usable)
        window.LogLine("JTAG boundary scan chain disabled .... board tests will not work!");
    window.UpdateData(false);
}

void OnBoardRemoval(MainWindowHost& window)
{
    window.LogLine(FormatLocalTime(window.Clock(), LogTimePrefix) + "Morvane FPGA board detached");
    window.m_strLastProgrammed = UnknownText;
    window.m_strSerial = UnknownText;
    window.m_strFile = UnknownText;
    window.m_strCycles = UnknownText;
    window.SetProgressPos(0);
    // The handles of a board that is gone are of no further use.
    window.Link().ForgetBoard();
}

}  // namespace

bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const boardlink::DeviceNotification& data)
{
    if (event == boardlink::DeviceArrival) {
        if (boardlink::IsBoardNotification(data, window.Link()))
            OnBoardArrival(window);
    } else if (event == boardlink::DeviceRemoveComplete) {
        if (boardlink::IsBoardNotification(data, window.Link()))
            OnBoardRemoval(window);
        window.UpdateData(false);
    }
    return true;
}
