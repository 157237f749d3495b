#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "pins/PinState.h"

namespace boardlink {
class BoardLink;
}

// The board tests over the JTAG boundary-scan chain: driving pins, capturing all pins, and
// the texts that report them.
namespace board {

// The tests of the test dialog, by the position of their radio button.
enum TestChoice : int {
    DriveAllHighTest = 0,
    DriveAllLowTest = 1,
    ConfigurationToggleTest = 2,
    ClearConfigurationSectorTest = 3,
    CapturePinsTest = 4,
    DrivePinTest = 5,
};

// The values a test works on.
struct TestRequest {
    int testIndex;
    int pinNumber;
    std::string levelText;
};

// What a test gives back.
struct TestOutcome {
    // The new result text; nothing when the test leaves the result alone.
    std::optional<std::string> resultText;
    // A new capture of all pins, to be shown on the board view.
    std::optional<pins::Capture> capture;
};

// The result text of a Capture pins test whose capture did not occur.
inline constexpr const char* CaptureRefusedText = "JTAG error: capture did not occur...";
// The result text of a click on the board view whose capture did not occur.
inline constexpr const char* ClickCaptureRefusedText = "Capture did not occur .... ";

// Has the board capture all pins and reads the 80-byte capture into capture. False when
// the board refused or a reply got lost; capture is then untouched.
bool CapturePins(boardlink::BoardLink& link, pins::Capture& capture);

// The capture listing: legend, empty line, 10 rows of 8 pins.
std::string CaptureListing(std::span<const uint8_t, pins::CaptureBytes> capture);

// The result text for a click on header position: its FPGA pin and state letter.
std::string HeaderPositionText(std::span<const uint8_t, pins::CaptureBytes> capture, int position);

// The first header position that carries the FPGA pin, if any.
std::optional<int> FindHeaderPosition(int pinNumber);

// The command that drives a pin to the level named exactly so: "Low", "Hi-Z", else high.
uint8_t DrivePinCommandFor(const std::string& levelText);

// Runs one test on the board.
TestOutcome RunTest(boardlink::BoardLink& link, const TestRequest& request);

// Ends the board's boundary-scan test mode: every pin is released.
void LeaveBoardTestMode(boardlink::BoardLink& link);

}  // namespace board
