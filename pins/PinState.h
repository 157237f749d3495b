#pragma once

#include <array>
#include <cstdint>
#include <span>

// A capture of all pins and the decoding of one header position's state from it.
namespace pins {

// A capture: 640 bits in 80 bytes, bit 0 the most significant bit of byte 0; cell group g
// owns bits 3g (level seen), 3g + 1 (1: not driven) and 3g + 2 (level driven to).
inline constexpr std::size_t CaptureBytes = 80;
using Capture = std::array<uint8_t, CaptureBytes>;

// State letter of a header position in a capture:
//   'H' / 'L'  driven high / low,
//   '1' / '0'  not driven, reading high / low,
//   '?'        no cell group, or a position outside 0-79.
char DecodePinState(std::span<const uint8_t, CaptureBytes> capture, int position);

}  // namespace pins
