#include "board/JtagTests.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/BoardLink.h"
#include "pins/PinTables.h"

namespace board {
namespace {

using namespace boardlink;
using pins::Capture;
using pins::CaptureBytes;

constexpr uint16_t CaptureAddress = 0xFF80;
constexpr uint8_t CaptureReadLength = 40;

// A command without data: length 1, the address as given.
void SendSimpleCommand(BoardLink& link, uint8_t command, uint16_t address = 0)
{
    link.SetCommand(command, 1, address);
    link.ExchangeReports();
}

// One exchange with the status preset: true when the board answered with expected.
bool Answered(BoardLink& link, uint8_t expected) { return link.Exchange(expected) == ExchangeEnd::Expected; }

}  // namespace

bool CapturePins(BoardLink& link, Capture& capture)
{
    // Without the preset, a capture that got no reply would be judged by the 'R' of an
    // earlier reply and stale memory would be listed as the pins' states.
    link.SetCommand(JtagCapture, 1, 0);
    if (!Answered(link, StatusSuccess))
        return false;
    // Both halves must arrive before the capture replaces anything: half a capture, or
    // stale reply bytes, would be shown as the pins' states.
    Capture received{};
    for (uint16_t offset : {uint16_t{0}, uint16_t{CaptureReadLength}}) {
        link.SetCommand(ReadMemory, CaptureReadLength, static_cast<uint16_t>(CaptureAddress + offset));
        if (!Answered(link, StatusRead))
            return false;
        std::memcpy(received.data() + offset, link.ReplyReport().data() + DataByte, CaptureReadLength);
    }
    capture = received;
    return true;
}

std::string CaptureListing(std::span<const uint8_t, CaptureBytes> capture)
{
    std::string listing = "Capture result:     H,L => driven    1,0 => not driven\r\n\r\n";
    for (int row = 0; row < pins::HeaderPositions; row += 8) {
        for (int p = row; p < row + 8; ++p) {
            const char c = pins::DecodePinState(capture, p);
            const int n = pins::HeaderPinTable[static_cast<std::size_t>(p)];
            char entry[16];
            // The last two pins of each header row are inputs.
            if (p % pins::HeaderRowLength < 38)
                std::snprintf(entry, sizeof entry, " P%03d:%c", n, c);
            else
                std::snprintf(entry, sizeof entry, " In%02d:%c", n, c);
            listing += entry;
        }
        listing += "\r\n";
    }
    return listing;
}

std::string HeaderPositionText(std::span<const uint8_t, CaptureBytes> capture, int position)
{
    const char letter = pins::DecodePinState(capture, position);
    const int pin = pins::HeaderPinTable[static_cast<std::size_t>(position)];
    return "...  pin " + std::to_string(pin) + " = " + letter + "\r\n";
}

std::optional<int> FindHeaderPosition(int pinNumber)
{
    const auto* found = std::find(pins::HeaderPinTable.begin(), pins::HeaderPinTable.end(), pinNumber);
    if (found == pins::HeaderPinTable.end())
        return std::nullopt;
    return static_cast<int>(found - pins::HeaderPinTable.begin());
}

uint8_t DrivePinCommandFor(const std::string& levelText)
{
    if (levelText == "Low")
        return DrivePinLow;
    if (levelText == "Hi-Z")
        return FloatPin;
    return DrivePinHigh;
}

TestOutcome RunTest(BoardLink& link, const TestRequest& request)
{
    switch (request.testIndex) {
    case DriveAllHighTest:
        SendSimpleCommand(link, DriveAllHigh);
        return {"Now driving all pins HIGH", std::nullopt};
    case DriveAllLowTest:
        SendSimpleCommand(link, DriveAllLow);
        return {"Now driving all pins LOW", std::nullopt};
    case CapturePinsTest: {
        Capture capture{};
        if (!CapturePins(link, capture))
            return {CaptureRefusedText, std::nullopt};
        return {CaptureListing(capture), capture};
    }
    case DrivePinTest: {
        if (!FindHeaderPosition(request.pinNumber))
            return {"Illegal pin choice ... must be a labeled integer pin number.\r\nCommand ignored.", std::nullopt};
        const uint8_t cellGroup = pins::BoundaryCellTable[static_cast<std::size_t>(request.pinNumber)];
        SendSimpleCommand(link, DrivePinCommandFor(request.levelText), cellGroup);
        return {"Pin " + std::to_string(request.pinNumber) + " should now be " + request.levelText + ".",
                std::nullopt};
    }
    default:
        // The two disabled tests and no choice at all: nothing to do.
        return {};
    }
}

void LeaveBoardTestMode(BoardLink& link) { SendSimpleCommand(link, LeaveTestMode); }

}  // namespace board
