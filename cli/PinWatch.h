#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "cli/BoardAccess.h"

// What watch prints: the header positions whose state changed between two captures.
namespace cli {

struct PinChange {
    int position;
    char from;
    char to;
};

std::vector<PinChange> PinChanges(const PinCapture& before, const PinCapture& after);

// "14:05:09.123" in local time.
std::string WatchTime(std::chrono::system_clock::time_point time);
// "14:05:09.123 P023 1 -> H"
std::string ChangeLine(const std::string& time, const PinChange& change);

}  // namespace cli
