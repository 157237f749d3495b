#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/HidBackend.h"

// The program-wide board link: the two report buffers, the open latch and the HID
// access steps that carry one exchange. One board link per process, one exchange at a time.
namespace usbio {

inline constexpr std::size_t ReportBufferSize = 256;
using ReportBuffer = std::array<uint8_t, ReportBufferSize>;

// Byte offsets inside both report buffers.
inline constexpr std::size_t ReportIdByte = 0;
inline constexpr std::size_t CommandByte = 1;  // CommandReport
inline constexpr std::size_t StatusByte = 1;   // ReplyReport
inline constexpr std::size_t LengthByte = 2;
inline constexpr std::size_t AddressLowByte = 3;
inline constexpr std::size_t AddressHighByte = 4;
inline constexpr std::size_t DataByte = 5;

// The board command set.
inline constexpr uint8_t ReadMemory = '2';
inline constexpr uint8_t WriteMemory = '3';
inline constexpr uint8_t ProgramMode = '4';
inline constexpr uint8_t ProgramPage = '7';
inline constexpr uint8_t JtagCheck = '8';
inline constexpr uint8_t JtagCapture = '9';
inline constexpr uint8_t DrivePinHigh = ':';
inline constexpr uint8_t DrivePinLow = ';';
inline constexpr uint8_t FloatPin = '<';
inline constexpr uint8_t DriveAllHigh = '>';
inline constexpr uint8_t DriveAllLow = '?';
inline constexpr uint8_t LeaveTestMode = '@';

// Status characters in ReplyReport byte 1.
inline constexpr uint8_t StatusPreset = 'Q';   // written by a caller that will test the status
inline constexpr uint8_t StatusSuccess = 'R';
inline constexpr uint8_t StatusRead = 'S';

inline constexpr uint16_t BoardVendorId = 0x0925;
inline constexpr uint16_t BoardProductId = 0x1299;
inline constexpr int ReadTimeoutMs = 6000;

// The 56-byte layouts need reports of at least 61 bytes; the buffers hold 256.
inline constexpr uint16_t MinReportByteLength = 61;
inline constexpr uint16_t MaxReportByteLength = 256;

// The memory window of the board: page buffer for flash writes, capture after JtagCapture.
inline constexpr uint16_t PageBufferAddress = 0xFF80;
inline constexpr uint16_t ProgramPageAddress = 0xFFF0;

extern ReportBuffer CommandReport;
extern ReportBuffer ReplyReport;
extern uint8_t DeviceFound;
extern std::string BoardDevicePath;
// The identity of the board found last (HidInterfaceInfo::identity), recorded with its path.
extern std::string BoardDeviceIdentity;
extern HidCaps BoardCaps;

// The window that owns the activity log and the board notification registration: the
// main window. The board link writes its messages through it.
class LinkOwner {
public:
    virtual ~LinkOwner() = default;
    virtual void LogLine(std::string text) = 0;
    virtual void LogTimestamped() = 0;
    // Replaces any earlier registration, so that exactly one is in force.
    virtual void RegisterBoardNotification() = 0;

    // One exchange on behalf of this window.
    void ExchangeReports();
};

// The device layer the board link runs on; set once at start-up (or by a test).
void SetBackend(HidBackend* backend);
HidBackend& Backend();

// The application's main window, owner of every exchange made outside a window's own handlers.
void SetMainWindow(LinkOwner* owner);
LinkOwner& MainWindow();

// Fills the command fields of CommandReport; data bytes are the caller's.
void SetCommand(uint8_t command, uint8_t length, uint16_t address);

void ExchangeReports(LinkOwner& owner);
bool FindBoard(LinkOwner& owner);
void WriteOutputReport(LinkOwner& owner);
void ReadInputReport(LinkOwner& owner);
void CloseBoardHandles();

// Back to the state at program start (buffers zero, nothing open); for tests.
void ResetBoardLink();

}  // namespace usbio
