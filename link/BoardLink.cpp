#include "link/BoardLink.h"

#include <algorithm>
#include <string_view>

#include "platform/Platform.h"

namespace boardlink {

namespace {

std::string_view UsageDescription(unsigned topLevelUsage)
{
    return topLevelUsage == 0x0102 ? "mouse" : "keyboard";
}

bool ReportLengthsFit(const HidCaps& caps)
{
    auto fits = [](uint16_t length) { return length >= MinReportByteLength && length <= MaxReportByteLength; };
    return fits(caps.inputReportByteLength) && fits(caps.outputReportByteLength);
}

}  // namespace

BoardLink::BoardLink(HidBackend& backend, Reporter* reporter)
    : m_backend(backend), m_reporter(reporter != nullptr ? reporter : &m_silent)
{
}

BoardLink::~BoardLink() { CloseBoardHandles(); }

void BoardLink::SetReporter(Reporter* reporter) { m_reporter = reporter != nullptr ? reporter : &m_silent; }

void BoardLink::CloseIfValid(HidHandle& handle)
{
    if (handle != InvalidHidHandle) {
        m_backend.Close(handle);
        handle = InvalidHidHandle;
    }
}

void BoardLink::LogSystemDeviceNotice(unsigned topLevelUsage)
{
    Reporter& report = Report();
    report.LogLine("");
    report.LogLine("*************************");
    report.LogLine("The device is a system " + std::string(UsageDescription(topLevelUsage)) + ".");
    report.LogLine("Windows 2000 and Windows XP don't allow applications");
    report.LogLine("to directly request Input reports from or ");
    report.LogLine("write Output reports to these devices.");
    report.LogLine("*************************");
    report.LogLine("");
}

// Opens the board found at devicePath. Returns false when the board has to be refused.
bool BoardLink::OpenBoard(const std::string& devicePath)
{
    m_boardCaps = HidCaps{};
    if (!m_backend.GetCaps(m_queryHandle, m_boardCaps)) {
        Report().LogLine("Board " + devicePath + " refused: its report lengths cannot be read: " + m_backend.LastError());
        return false;
    }
    // Buffers of 256 bytes and 56-byte data layouts: a board outside 61..256 bytes would
    // make the exchange read or send past them.
    if (!ReportLengthsFit(m_boardCaps)) {
        Report().LogLine("Board " + devicePath + " refused: its reports are " +
                         std::to_string(m_boardCaps.inputReportByteLength) + " bytes in and " +
                         std::to_string(m_boardCaps.outputReportByteLength) +
                         " bytes out, outside the 61 to 256 bytes this program exchanges");
        return false;
    }
    const unsigned topLevelUsage = m_boardCaps.usagePage * 256u + m_boardCaps.usage;
    if (topLevelUsage == 0x0102 || topLevelUsage == 0x0106)
        LogSystemDeviceNotice(topLevelUsage);

    m_writeHandle = m_backend.Open(devicePath, HidAccess::Write);
    std::string openError = m_writeHandle == InvalidHidHandle ? m_backend.LastError() : std::string();
    m_readHandle = m_backend.Open(devicePath, HidAccess::Read);
    if (m_readHandle == InvalidHidHandle && openError.empty())
        openError = m_backend.LastError();
    // The board is used all the same (the exchange then fails in its transfer steps), but
    // the reason is only known here. It is said once, until the node or the reason changes
    // or the board opened in between; each line fits the log's width.
    if (m_writeHandle == InvalidHidHandle || m_readHandle == InvalidHidHandle) {
        m_openFailure = {devicePath, openError};
        const std::string failure = devicePath + ": " + openError;
        if (failure != m_reportedOpenFailure) {
            Report().LogLine("Cannot open board device " + failure);
            Report().LogLine("  Fix: " + platform::BoardAccessFix().brief);
            m_reportedOpenFailure = failure;
        }
    } else {
        m_reportedOpenFailure.clear();
        m_openFailure = {};
    }
    return true;
}

void BoardLink::SetCommand(uint8_t command, uint8_t length, uint16_t address)
{
    m_commandReport[CommandByte] = command;
    m_commandReport[LengthByte] = length;
    m_commandReport[AddressLowByte] = static_cast<uint8_t>(address & 0xFF);
    m_commandReport[AddressHighByte] = static_cast<uint8_t>((address >> 8) & 0xFF);
}

bool BoardLink::EnsureFound()
{
    if (!m_deviceFound)
        m_deviceFound = FindBoard();
    if (!m_deviceFound && !m_failedEnd)
        m_failedEnd = ExchangeEnd::NoBoard;
    return m_deviceFound;
}

void BoardLink::ExchangeReports()
{
    if (!EnsureFound())
        return;
    // The read step runs even when the write failed: it searches for the board again.
    WriteOutputReport();
    ReadInputReport();
}

ExchangeEnd BoardLink::Exchange(uint8_t expectedStatus)
{
    m_replyReport[StatusByte] = StatusPreset;
    m_failedEnd.reset();
    const bool wasFound = m_deviceFound;
    ExchangeReports();
    if (m_failedEnd) {
        // A board found by this exchange's own search whose node could not be opened
        // fails in its transfer; that is the node's fault, not a lost reply.
        if (*m_failedEnd == ExchangeEnd::NoReply && !wasFound && !m_openFailure.node.empty())
            return ExchangeEnd::CannotOpen;
        return *m_failedEnd;
    }
    return m_replyReport[StatusByte] == expectedStatus ? ExchangeEnd::Expected : ExchangeEnd::OtherStatus;
}

bool IsBoardInterface(const HidInterfaceInfo& info)
{
    return info.vendorId == BoardVendorId && info.productId == BoardProductId;
}

std::vector<HidInterfaceInfo> InPortOrder(std::vector<HidInterfaceInfo> interfaces)
{
    std::stable_sort(interfaces.begin(), interfaces.end(),
                     [](const HidInterfaceInfo& a, const HidInterfaceInfo& b) { return a.port < b.port; });
    return interfaces;
}

bool BoardLink::FindBoard()
{
    // Handles left open by a detach are not used again; close them before replacing them.
    CloseBoardHandles();

    m_deviceFound = false;
    for (const HidInterfaceInfo& info : InPortOrder(m_backend.EnumerateInterfaces())) {
        const std::string& devicePath = info.path;
        if (!m_place.empty() && devicePath != m_place)
            continue;
        m_queryHandle = m_backend.Open(devicePath, HidAccess::Query);
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        const bool haveAttributes = m_backend.GetAttributes(m_queryHandle, vendorId, productId);
        if (haveAttributes && vendorId == BoardVendorId && productId == BoardProductId) {
            m_deviceFound = true;
            m_boardDevicePath = devicePath;
            m_boardDeviceIdentity = info.identity;
            if (m_boardFound)
                m_boardFound();
            // The first match is the board; a refused board ends the search like a found one.
            if (!OpenBoard(devicePath)) {
                CloseBoardHandles();
                m_deviceFound = false;
            }
            break;
        }
        CloseIfValid(m_queryHandle);
    }
    return m_deviceFound;
}

void BoardLink::WriteOutputReport()
{
    if (!EnsureFound())
        return;
    m_commandReport[ReportIdByte] = 0;
    // A reply that arrived after its read had given up would otherwise be taken for the
    // reply to this command.
    if (m_readHandle != InvalidHidHandle)
        m_backend.Drain(m_readHandle);
    // A write handle that could not be opened sends nothing: that is a failed write.
    const bool written = m_writeHandle != InvalidHidHandle &&
                         m_backend.Write(m_writeHandle, m_commandReport.data(), m_boardCaps.outputReportByteLength);
    if (!written) {
        CloseBoardHandles();
        Report().LogTimestamped();
        Report().LogLine("  Can't write to device");
        m_deviceFound = false;
        m_failedEnd = ExchangeEnd::NoReply;
    }
}

void BoardLink::ReadInputReport()
{
    if (!EnsureFound())
        return;
    m_replyReport[ReportIdByte] = 0;
    // With no read handle there is no read to wait for: fail at once rather than wait
    // out the time limit or take the untouched buffer for a reply.
    const HidReadResult result = m_readHandle == InvalidHidHandle
                                     ? HidReadResult::Failed
                                     : m_backend.Read(m_readHandle, m_replyReport.data(),
                                                      m_boardCaps.inputReportByteLength, ReadTimeoutMs);
    switch (result) {
    case HidReadResult::Arrived:
        return;
    case HidReadResult::TimedOut:
        Report().LogLine("ReadFile timeout");
        m_backend.Cancel(m_readHandle);
        CloseBoardHandles();
        Report().LogLine("Can't read from device");
        m_deviceFound = false;
        m_failedEnd = ExchangeEnd::NoReply;
        return;
    case HidReadResult::Failed:
        Report().LogLine("Undefined error");
        CloseBoardHandles();
        Report().LogLine("Can't read from device");
        m_deviceFound = false;
        m_failedEnd = ExchangeEnd::NoReply;
        return;
    }
}

void BoardLink::CloseBoardHandles()
{
    CloseIfValid(m_queryHandle);
    CloseIfValid(m_readHandle);
    CloseIfValid(m_writeHandle);
}

void BoardLink::ForgetBoard()
{
    CloseBoardHandles();
    m_deviceFound = false;
}

}  // namespace boardlink
