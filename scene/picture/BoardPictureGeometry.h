#pragma once

#include <cstdint>

// Where things sit in the board picture, in texels: column 0 at the left, row 0 the
// bottom row (the first one stored). The picture generator draws from these, and the tests
// check the built picture against them.
namespace scene::picture {

inline constexpr int Width = 1024;
inline constexpr int Height = 512;

// The board fills this rectangle; every other texel is white.
inline constexpr int BoardLeft = 0;
inline constexpr int BoardRight = 947;
inline constexpr int BoardBottom = 191;
inline constexpr int BoardTop = 511;
inline constexpr int BoardEdgeWidth = 3;  // the darker rim of the circuit board

// The two 40-pin header rows. Column i of either row is centred where the view draws the
// marker of that column: texel column 231.24 + 17.30 * i.
inline constexpr int HeaderColumns = 40;
constexpr double PinColumn(int column) { return 231.24 + 17.30 * column; }
inline constexpr int UpperPinRow = 481;  // header positions 0-39
inline constexpr int LowerPinRow = 239;  // header positions 40-79
inline constexpr int PinHalfSize = 4;    // square pads of 9 x 9 texels

struct Rgb {
    uint8_t r, g, b;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb White = {255, 255, 255};
inline constexpr Rgb BoardGreen = {24, 112, 64};
inline constexpr Rgb BoardRim = {12, 70, 38};
inline constexpr Rgb Silkscreen = {236, 236, 228};
inline constexpr Rgb HeaderPlastic = {28, 28, 30};
inline constexpr Rgb PinGold = {222, 182, 72};
inline constexpr Rgb ChipBody = {36, 36, 40};
inline constexpr Rgb ChipLead = {184, 184, 190};
inline constexpr Rgb ConnectorMetal = {200, 202, 208};
inline constexpr Rgb ConnectorSlot = {60, 60, 66};

}  // namespace scene::picture
