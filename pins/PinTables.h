#pragma once

#include <array>
#include <cstdint>

// The two constant tables that tie the board's three pin numberings together: header
// position (0-79), FPGA pin number (1-144) and boundary-scan cell group (1-255).
namespace pins {

inline constexpr int HeaderPositions = 80;
inline constexpr int HeaderRowLength = 40;  // positions 0-39 form one row, 40-79 the other
inline constexpr int FpgaPinCount = 144;

// FPGA pin number at each header position. The last two of each row (positions 38, 39,
// 78 and 79) are the inputs.
inline constexpr std::array<uint8_t, HeaderPositions> HeaderPinTable = {
    23, 22, 21, 16, 15, 14, 12, 11, 10, 9,            // 0-9
    8, 3, 2, 1, 144, 143, 142, 141, 140, 139,         // 10-19
    138, 137, 136, 135, 134, 133, 132, 131, 122, 121, // 20-29
    109, 108, 107, 106, 101, 99, 98, 96, 17, 92,      // 30-39
    24, 25, 26, 28, 29, 35, 36, 37, 38, 39,           // 40-49
    40, 41, 42, 43, 44, 45, 46, 47, 48, 49,           // 50-59
    50, 51, 52, 57, 58, 59, 60, 61, 62, 63,           // 60-69
    64, 65, 66, 67, 68, 69, 71, 72, 20, 89,           // 70-79
};

// Boundary-scan cell group of each FPGA pin, indexed by pin number 0-144; 0 means the pin
// has no cell group (there is no pin 0).
inline constexpr std::array<uint8_t, FpgaPinCount + 1> BoundaryCellTable = {
    0, 17, 16, 12, 0, 0, 0, 0, 8, 7,                  // 0-9
    5, 4, 1, 0, 206, 205, 203, 201, 0, 0,             // 10-19
    200, 199, 197, 195, 193, 191, 189, 0, 187, 185,   // 20-29
    0, 0, 0, 184, 0, 179, 177, 175, 174, 173,         // 30-39
    172, 171, 170, 168, 166, 164, 162, 159, 158, 156, // 40-49
    154, 153, 152, 0, 0, 0, 0, 148, 147, 145,         // 50-59
    144, 142, 140, 137, 135, 134, 131, 129, 128, 127, // 60-69
    126, 125, 124, 0, 117, 116, 0, 0, 0, 114,         // 70-79
    112, 110, 109, 107, 106, 105, 104, 102, 100, 99,  // 80-89
    0, 0, 98, 97, 95, 93, 91, 89, 88, 87,             // 90-99
    84, 83, 0, 0, 0, 0, 80, 79, 76, 71,               // 100-109
    70, 69, 68, 67, 65, 63, 61, 60, 59, 57,           // 110-119
    55, 53, 52, 50, 48, 46, 0, 0, 45, 43,             // 120-129
    41, 39, 38, 36, 35, 33, 31, 29, 27, 25,           // 130-139
    24, 23, 22, 21, 20,                               // 140-144
};

}  // namespace pins
