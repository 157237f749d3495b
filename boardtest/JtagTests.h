#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "boardtest/PinState.h"

namespace boardtest {

// The tests of the test dialog, by the position of their radio button.
enum TestChoice : int {
    DriveAllHighTest = 0,
    DriveAllLowTest = 1,
    ConfigurationToggleTest = 2,
    ClearConfigurationSectorTest = 3,
    CapturePinsTest = 4,
    DrivePinTest = 5,
};

// The dialog values a test works on.
struct TestRequest {
    int testIndex;
    int pinNumber;
    std::string levelText;
};

// Has the board capture all pins and reads the 80-byte capture into buffer. On refusal the
// buffer is untouched and the active test dialog says so; returns false.
bool CapturePins(uint8_t* buffer);

// The capture listing: legend, empty line, 10 rows of 8 pins.
std::string CaptureListing(std::span<const uint8_t, CaptureBytes> capture);

// The first header position that carries the FPGA pin, if any.
std::optional<int> FindHeaderPosition(int pinNumber);

// The command that drives a pin to the level named exactly so: "Low", "Hi-Z", else high.
uint8_t DrivePinCommandFor(const std::string& levelText);

// Runs one test on the board; returns the new result text, or nothing when the test left
// it alone (a refused capture has already written its own). invalidateView redraws the
// board view after a new capture.
std::optional<std::string> RunTest(const TestRequest& request, const std::function<void()>& invalidateView);

}  // namespace boardtest
