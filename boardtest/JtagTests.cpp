#include "boardtest/JtagTests.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "boardtest/PinTables.h"
#include "boardtest/TestDlg.h"
#include "link/usbio.h"

namespace boardtest {
namespace {

using namespace usbio;

constexpr uint16_t CaptureAddress = 0xFF80;
constexpr const char* CaptureRefusedText = "JTAG error: capture did not occur...";
constexpr uint8_t CaptureReadLength = 40;

// A command without data: length 1, the address as given.
void SendSimpleCommand(uint8_t command, uint16_t address = 0)
{
    SetCommand(command, 1, address);
    MainWindow().ExchangeReports();
}

// One exchange with the status preset: true when the board answered with expected.
bool Answered(uint8_t expected)
{
    ReplyReport[StatusByte] = StatusPreset;
    MainWindow().ExchangeReports();
    return ReplyReport[StatusByte] == expected;
}

bool CaptureDidNotOccur()
{
    if (ActiveTestDlg != nullptr)
        ActiveTestDlg->ResultText = CaptureRefusedText;
    return false;
}

}  // namespace

bool CapturePins(uint8_t* buffer)
{
    // Without the preset, a capture that got no reply would be judged by the 'R' of an
    // earlier reply and stale memory would be listed as the pins' states.
    SetCommand(JtagCapture, 1, 0);
    if (!Answered(StatusSuccess))
        return CaptureDidNotOccur();
    // Both halves must arrive before the capture replaces anything: half a capture, or
    // stale reply bytes, would be shown as the pins' states.
    Capture capture{};
    for (uint16_t offset : {uint16_t{0}, uint16_t{CaptureReadLength}}) {
        SetCommand(ReadMemory, CaptureReadLength, static_cast<uint16_t>(CaptureAddress + offset));
        if (!Answered(StatusRead))
            return CaptureDidNotOccur();
        std::memcpy(capture.data() + offset, ReplyReport.data() + DataByte, CaptureReadLength);
    }
    std::copy(capture.begin(), capture.end(), buffer);
    return true;
}

std::string CaptureListing(std::span<const uint8_t, CaptureBytes> capture)
{
    std::string listing = "Capture result:     H,L => driven    1,0 => not driven\r\n\r\n";
    for (int row = 0; row < HeaderPositions; row += 8) {
        for (int p = row; p < row + 8; ++p) {
            const char c = DecodePinState(capture, p);
            const int n = HeaderPinTable[static_cast<std::size_t>(p)];
            char entry[16];
            // The last two pins of each header row are inputs.
            if (p % HeaderRowLength < 38)
                std::snprintf(entry, sizeof entry, " P%03d:%c", n, c);
            else
                std::snprintf(entry, sizeof entry, " In%02d:%c", n, c);
            listing += entry;
        }
        listing += "\r\n";
    }
    return listing;
}

std::optional<int> FindHeaderPosition(int pinNumber)
{
    const auto* found = std::find(HeaderPinTable.begin(), HeaderPinTable.end(), pinNumber);
    if (found == HeaderPinTable.end())
        return std::nullopt;
    return static_cast<int>(found - HeaderPinTable.begin());
}

uint8_t DrivePinCommandFor(const std::string& levelText)
{
    if (levelText == "Low")
        return DrivePinLow;
    if (levelText == "Hi-Z")
        return FloatPin;
    return DrivePinHigh;
}

std::optional<std::string> RunTest(const TestRequest& request, const std::function<void()>& invalidateView)
{
    switch (request.testIndex) {
    case DriveAllHighTest:
        SendSimpleCommand(DriveAllHigh);
        return "Now driving all pins HIGH";
    case DriveAllLowTest:
        SendSimpleCommand(DriveAllLow);
        return "Now driving all pins LOW";
    case CapturePinsTest: {
        Capture capture{};
        if (!CapturePins(capture.data()))
            return std::nullopt;
        CaptureBuffer = capture;
        invalidateView();
        return CaptureListing(capture);
    }
    case DrivePinTest: {
        if (!FindHeaderPosition(request.pinNumber))
            return "Illegal pin choice ... must be a labeled integer pin number.\r\nCommand ignored.";
        const uint8_t cellGroup = BoundaryCellTable[static_cast<std::size_t>(request.pinNumber)];
        SendSimpleCommand(DrivePinCommandFor(request.levelText), cellGroup);
        return "Pin " + std::to_string(request.pinNumber) + " should now be " + request.levelText + ".";
    }
    default:
        // The two disabled tests and no choice at all: nothing to do.
        return std::nullopt;
    }
}

}  // namespace boardtest
