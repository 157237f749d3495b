#include "app/BoardNotification.h"

#include <QString>

#include "app/InfoBlock.h"
#include "app/LocalTime.h"
#include "app/MainWindowHost.h"
#include "link/usbio.h"

int IsBoardNotification(const usbio::DeviceNotification& data)
{
    if (data.deviceType != usbio::DeviceTypeInterface)
        return 0;
    // The node is handed to the next device plugged in once the board is gone, so where both
    // sides know the device's identity, that decides: another device on the board's old node
    // is not the board, and the board plugged in again is, on whatever node.
    if (!usbio::BoardDeviceIdentity.empty() && !data.deviceIdentity.empty())
        return data.deviceIdentity == usbio::BoardDeviceIdentity ? 1 : 0;
    const QString DeviceNameString = QString::fromStdString(data.devicePath);
    return DeviceNameString.compare(QString::fromStdString(usbio::BoardDevicePath), Qt::CaseInsensitive) == 0 ? 1 : 0;
}

namespace {

void OnBoardArrival(MainWindowHost& window)
{
    window.LogLine(FormatLocalTime("%m/%d/%Y %H:%M:%S Morvane FPGA board attached"));
    InfoBlock sbuf{};
    ReadFlashPage(0, sbuf.data());
    ReadFlashPage(128, sbuf.data() + FlashPageSize);
    ApplyAttachDisplay(sbuf, window);
    window.SetProgressPos(0);
    if (!JtagChainUsable(window))
        window.LogLine("JTAG boundary scan chain disabled .... board tests will not work!");
    window.UpdateData(false);
}

void OnBoardRemoval(MainWindowHost& window)
{
    window.LogLine(FormatLocalTime(LogTimePrefix) + "Morvane FPGA board detached");
    window.m_strLastProgrammed = UnknownText;
    window.m_strSerial = UnknownText;
    window.m_strFile = UnknownText;
    window.m_strCycles = UnknownText;
    window.SetProgressPos(0);
    // The handles of a board that is gone are of no further use.
    usbio::CloseBoardHandles();
    usbio::DeviceFound = 0;
}

}  // namespace

bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const usbio::DeviceNotification& data)
{
    if (event == usbio::DeviceArrival) {
        if (IsBoardNotification(data) == 1)
            OnBoardArrival(window);
    } else if (event == usbio::DeviceRemoveComplete) {
        if (IsBoardNotification(data) == 1)
            OnBoardRemoval(window);
        window.UpdateData(false);
    }
    return true;
}
