#include "link/usbio.h"

#include <cassert>
#include <string_view>

#include "link/UdevRule.h"

namespace usbio {

ReportBuffer CommandReport{};
ReportBuffer ReplyReport{};
uint8_t DeviceFound = 0;
std::string BoardDevicePath;
std::string BoardDeviceIdentity;
HidCaps BoardCaps{};

namespace {

HidBackend* CurrentBackend = nullptr;
LinkOwner* MainWindowOwner = nullptr;

HidHandle QueryHandle = InvalidHidHandle;
HidHandle WriteHandle = InvalidHidHandle;
HidHandle ReadHandle = InvalidHidHandle;

// The board node that could not be opened, and why, as last logged: every exchange searches
// again while the board cannot be opened, and the same two lines each time would bury the log.
std::string ReportedOpenFailure;

void CloseIfValid(HidHandle& handle)
{
    if (handle != InvalidHidHandle) {
        Backend().Close(handle);
        handle = InvalidHidHandle;
    }
}

std::string_view UsageDescription(unsigned topLevelUsage)
{
    return topLevelUsage == 0x0102 ? "mouse" : "keyboard";
}

void LogSystemDeviceNotice(LinkOwner& owner, unsigned topLevelUsage)
{
    owner.LogLine("");
    owner.LogLine("*************************");
    owner.LogLine("The device is a system " + std::string(UsageDescription(topLevelUsage)) + ".");
    owner.LogLine("Windows 2000 and Windows XP don't allow applications");
    owner.LogLine("to directly request Input reports from or ");
    owner.LogLine("write Output reports to these devices.");
    owner.LogLine("*************************");
    owner.LogLine("");
}

bool ReportLengthsFit(const HidCaps& caps)
{
    auto fits = [](uint16_t length) { return length >= MinReportByteLength && length <= MaxReportByteLength; };
    return fits(caps.inputReportByteLength) && fits(caps.outputReportByteLength);
}

bool ReadBoardCapabilities()
{
    BoardCaps = HidCaps{};
    return Backend().GetCaps(QueryHandle, BoardCaps);
}

void OpenReadHandle(const std::string& devicePath)
{
    ReadHandle = Backend().Open(devicePath, HidAccess::Read);
}

// Opens the board found at devicePath. Returns false when the board has to be refused.
bool OpenBoard(LinkOwner& owner, const std::string& devicePath)
{
    if (!ReadBoardCapabilities()) {
        owner.LogLine("Board " + devicePath + " refused: its report lengths cannot be read: " + Backend().LastError());
        return false;
    }
    // Buffers of 256 bytes and 56-byte data layouts: a board outside 61..256 bytes would
    // make the exchange read or send past them.
    if (!ReportLengthsFit(BoardCaps)) {
        owner.LogLine("Board " + devicePath + " refused: its reports are " +
                      std::to_string(BoardCaps.inputReportByteLength) + " bytes in and " +
                      std::to_string(BoardCaps.outputReportByteLength) +
                      " bytes out, outside the 61 to 256 bytes this program exchanges");
        return false;
    }
    const unsigned topLevelUsage = BoardCaps.usagePage * 256u + BoardCaps.usage;
    if (topLevelUsage == 0x0102 || topLevelUsage == 0x0106)
        LogSystemDeviceNotice(owner, topLevelUsage);

    WriteHandle = Backend().Open(devicePath, HidAccess::Write);
    std::string openError = WriteHandle == InvalidHidHandle ? Backend().LastError() : std::string();
    OpenReadHandle(devicePath);
    if (ReadHandle == InvalidHidHandle && openError.empty())
        openError = Backend().LastError();
    // The board is used all the same (the exchange then fails in its transfer steps), but
    // the reason is only known here. It is said once, until the node or the reason changes
    // or the board opened in between; each line fits the log's width.
    if (WriteHandle == InvalidHidHandle || ReadHandle == InvalidHidHandle) {
        const std::string failure = devicePath + ": " + openError;
        if (failure != ReportedOpenFailure) {
            owner.LogLine("Cannot open board device " + failure);
            owner.LogLine("  Fix: install " + std::string(BoardUdevRuleFile) +
                          " (sudo cmake --install <build dir>), replug the board");
            ReportedOpenFailure = failure;
        }
    } else {
        ReportedOpenFailure.clear();
    }
    return true;
}

}  // namespace

void SetBackend(HidBackend* backend) { CurrentBackend = backend; }

HidBackend& Backend()
{
    assert(CurrentBackend != nullptr && "the board link needs a device layer");
    return *CurrentBackend;
}

void SetMainWindow(LinkOwner* owner) { MainWindowOwner = owner; }

LinkOwner& MainWindow()
{
    assert(MainWindowOwner != nullptr && "the board link needs the main window");
    return *MainWindowOwner;
}

void LinkOwner::ExchangeReports() { usbio::ExchangeReports(*this); }

void SetCommand(uint8_t command, uint8_t length, uint16_t address)
{
    CommandReport[CommandByte] = command;
    CommandReport[LengthByte] = length;
    CommandReport[AddressLowByte] = static_cast<uint8_t>(address & 0xFF);
    CommandReport[AddressHighByte] = static_cast<uint8_t>((address >> 8) & 0xFF);
}

void ExchangeReports(LinkOwner& owner)
{
    if (DeviceFound == 0)
        DeviceFound = FindBoard(owner) ? 1 : 0;
    if (DeviceFound != 1)
        return;
    // The read step runs even when the write failed: it searches for the board again.
    WriteOutputReport(owner);
    ReadInputReport(owner);
}

bool FindBoard(LinkOwner& owner)
{
    // Handles left open by a detach are not used again; close them before replacing them.
    CloseBoardHandles();

    DeviceFound = 0;
    for (const HidInterfaceInfo& info : Backend().EnumerateInterfaces()) {
        const std::string& devicePath = info.path;
        QueryHandle = Backend().Open(devicePath, HidAccess::Query);
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        const bool haveAttributes = Backend().GetAttributes(QueryHandle, vendorId, productId);
        DeviceFound = 0;
        if (haveAttributes && vendorId == BoardVendorId && productId == BoardProductId) {
            DeviceFound = 1;
            BoardDevicePath = devicePath;
            BoardDeviceIdentity = info.identity;
            owner.RegisterBoardNotification();
            // The first match is the board; a refused board ends the search like a found one.
            if (!OpenBoard(owner, devicePath)) {
                CloseBoardHandles();
                DeviceFound = 0;
            }
            break;
        }
        CloseIfValid(QueryHandle);
    }
    return DeviceFound != 0;
}

void WriteOutputReport(LinkOwner& owner)
{
    if (DeviceFound == 0)
        DeviceFound = FindBoard(owner) ? 1 : 0;
    if (DeviceFound != 1)
        return;
    CommandReport[ReportIdByte] = 0;
    // A reply that arrived after its read had given up would otherwise be taken for the
    // reply to this command.
    if (ReadHandle != InvalidHidHandle)
        Backend().Drain(ReadHandle);
    // A write handle that could not be opened sends nothing: that is a failed write.
    const bool written = WriteHandle != InvalidHidHandle &&
                         Backend().Write(WriteHandle, CommandReport.data(), BoardCaps.outputReportByteLength);
    if (!written) {
        CloseBoardHandles();
        owner.LogTimestamped();
        owner.LogLine("  Can't write to device");
        DeviceFound = 0;
    }
}

void ReadInputReport(LinkOwner& owner)
{
    if (DeviceFound == 0)
        DeviceFound = FindBoard(owner) ? 1 : 0;
    if (DeviceFound != 1)
        return;
    ReplyReport[ReportIdByte] = 0;
    // With no read handle there is no read to wait for: fail at once rather than wait
    // out the time limit or take the untouched buffer for a reply.
    const HidReadResult result = ReadHandle == InvalidHidHandle
                                     ? HidReadResult::Failed
                                     : Backend().Read(ReadHandle, ReplyReport.data(),
                                                      BoardCaps.inputReportByteLength, ReadTimeoutMs);
    switch (result) {
    case HidReadResult::Arrived:
        return;
    case HidReadResult::TimedOut:
        owner.LogLine("ReadFile timeout");
        Backend().Cancel(ReadHandle);
        CloseBoardHandles();
        owner.LogLine("Can't read from device");
        DeviceFound = 0;
        return;
    case HidReadResult::Failed:
        owner.LogLine("Undefined error");
        CloseBoardHandles();
        owner.LogLine("Can't read from device");
        DeviceFound = 0;
        return;
    }
}

void CloseBoardHandles()
{
    CloseIfValid(QueryHandle);
    CloseIfValid(ReadHandle);
    CloseIfValid(WriteHandle);
}

void ResetBoardLink()
{
    if (CurrentBackend != nullptr)
        CloseBoardHandles();
    QueryHandle = WriteHandle = ReadHandle = InvalidHidHandle;
    CommandReport.fill(0);
    ReplyReport.fill(0);
    DeviceFound = 0;
    BoardDevicePath.clear();
    BoardDeviceIdentity.clear();
    ReportedOpenFailure.clear();
    BoardCaps = HidCaps{};
}

}  // namespace usbio
