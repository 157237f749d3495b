#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/HidBackend.h"
#include "link/Reporter.h"
#include "link/Reports.h"

namespace boardlink {

// How an exchange ended.
enum class ExchangeEnd {
    Expected,     // the reply carries the status the caller expected
    OtherStatus,  // a reply came with another status
    NoBoard,      // no board was found to send to
    CannotOpen,   // the board was found but its node could not be opened
    NoReply,      // the command could not be sent, or no reply came in time
};

// The board node that could not be opened, and the system's reason.
struct OpenFailure {
    std::string node;
    std::string cause;
};

// Whether a listed HID interface is a Morvane board, by the vendor and product id listed.
bool IsBoardInterface(const HidInterfaceInfo& info);

// The interfaces in the order boards are taken from them: by USB port (HidInterfaceInfo::port),
// so that the first board is the one in the lowest socket whoever looks; interfaces whose
// ports do not tell them apart keep the platform's order.
std::vector<HidInterfaceInfo> InPortOrder(std::vector<HidInterfaceInfo> interfaces);

// One board's link: the two report buffers, the found latch, the board's device path and
// report lengths, the three handles and the device layer they come from. One exchange at a
// time on a link; links on different boards (each with its own device layer) work side by
// side, also from different threads, as nothing here is shared between links.
class BoardLink {
public:
    // reporter: where the link's own log lines go (a silent one when none is given).
    explicit BoardLink(HidBackend& backend, Reporter* reporter = nullptr);
    ~BoardLink();
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

    HidBackend& Backend() { return m_backend; }
    Reporter& Report() { return *m_reporter; }
    void SetReporter(Reporter* reporter);
    // The board at this device path only: a search looks at no other interface (a board
    // chosen among several). Without a place, the search takes the first board in port order.
    void SetPlace(std::string devicePath) { m_place = std::move(devicePath); }
    // Called each time a search finds the board, before it is opened (the main window
    // registers for the board's notifications there).
    void SetBoardFoundHandler(std::function<void()> handler) { m_boardFound = std::move(handler); }

    ReportBuffer& CommandReport() { return m_commandReport; }
    ReportBuffer& ReplyReport() { return m_replyReport; }
    // Fills the command fields of CommandReport; data bytes are the caller's.
    void SetCommand(uint8_t command, uint8_t length, uint16_t address);

    // Sends CommandReport and receives ReplyReport, searching for the board first when it
    // is not known to be there. Failures are logged and leave the link unfound.
    void ExchangeReports();
    // Presets the reply's status, exchanges, and tests the status against expected: the
    // preset stands unless a reply arrives, so a missing reply never passes for an earlier one.
    ExchangeEnd Exchange(uint8_t expectedStatus);
    // The status byte of the last reply (the preset when none arrived).
    uint8_t ReplyStatus() const { return m_replyReport[StatusByte]; }
    // The last node that could not be opened (empty node when the last one opened).
    const OpenFailure& LastOpenFailure() const { return m_openFailure; }
    bool FindBoard();
    void WriteOutputReport();
    void ReadInputReport();
    void CloseBoardHandles();
    // The board has gone: its handles are closed and the next exchange searches again.
    void ForgetBoard();

    bool DeviceFound() const { return m_deviceFound; }
    // The board's device path from the last search that found it.
    const std::string& BoardDevicePath() const { return m_boardDevicePath; }
    // The identity of the board found last (HidInterfaceInfo::identity), recorded with its path.
    const std::string& BoardDeviceIdentity() const { return m_boardDeviceIdentity; }
    const HidCaps& BoardCaps() const { return m_boardCaps; }

private:
    void CloseIfValid(HidHandle& handle);
    bool OpenBoard(const std::string& devicePath);
    void LogSystemDeviceNotice(unsigned topLevelUsage);
    // Searches when the board is not known to be there; true when it is.
    bool EnsureFound();

    HidBackend& m_backend;
    SilentReporter m_silent;
    Reporter* m_reporter;
    std::function<void()> m_boardFound;
    std::string m_place;

    ReportBuffer m_commandReport{};
    ReportBuffer m_replyReport{};
    bool m_deviceFound = false;
    std::string m_boardDevicePath;
    std::string m_boardDeviceIdentity;
    HidCaps m_boardCaps{};
    // The board node that could not be opened, and why, as last logged: every exchange
    // searches again while the board cannot be opened, and the same lines each time would
    // bury the log.
    std::string m_reportedOpenFailure;
    OpenFailure m_openFailure;
    // How the running exchange failed before a reply, if it did.
    std::optional<ExchangeEnd> m_failedEnd;
    HidHandle m_queryHandle = InvalidHidHandle;
    HidHandle m_writeHandle = InvalidHidHandle;
    HidHandle m_readHandle = InvalidHidHandle;
};

}  // namespace boardlink
