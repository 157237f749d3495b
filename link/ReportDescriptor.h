#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// What the board link needs to know of a HID report descriptor: the report lengths and the
// top-level usage, counted the way the Windows HID class driver counts them, so that
// reports have the same length on every platform.
namespace boardlink {

struct ReportLengths {
    // Largest payload over all report ids, rounded up to whole bytes, plus the report-id byte
    // (counted also when the device uses no report ids); 0 when there is no report of a kind.
    uint16_t input = 0;
    uint16_t output = 0;
    uint16_t feature = 0;
    // Usage page and usage of the first top-level application collection; 0 when there is none.
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    // True when some main item follows a Report ID other than 0: reports then carry their id
    // in the first byte on the wire.
    bool usesReportIds = false;
};

struct ReportDescriptorResult {
    bool ok = false;
    ReportLengths lengths;
    // Why the descriptor was refused, naming the item and its byte offset; empty when ok.
    std::string error;
};

// Reads every item of descriptor and never past its end. A descriptor that cannot be
// trusted (an item cut short, a Pop without a Push, Push nested too deep, a Report ID of 0
// or above 255, a report longer than 65534 bytes) is refused with ok false and the reason.
ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace boardlink
