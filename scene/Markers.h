#pragma once

#include <cstdint>

// The board scene's geometry: the world the board view draws in, where each header
// position's arrow marker stands, and how a pin's state letter colours and turns it.
namespace scene {

// World coordinates of the view: x 0-5500 left to right, y 0-1900 bottom to top.
inline constexpr float WorldWidth = 5500;
inline constexpr float WorldHeight = 1900;

// Marker rows and columns: column i of either row is centred at x = 1350 + 101 * i.
inline constexpr int UpperRow = 1;  // header positions 0-39, reference line y = 1730
inline constexpr int LowerRow = 0;  // header positions 40-79, reference line y = 270
inline constexpr int MarkerColumns = 40;
constexpr float MarkerCentreX(int column) { return static_cast<float>(1350 + 101 * column); }
constexpr float RowReferenceY(int row) { return static_cast<float>(270 + 1460 * row); }

// Six colours as parallel arrays; markers use entry 1 (dark) and entry 5 (light).
struct Palette {
    float red[6];
    float green[6];
    float blue[6];
};
inline constexpr Palette MarkerPalette = {
    {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f},
    {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f},
    {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.5f},
};
inline constexpr int DarkEntry = 1;
inline constexpr int LightEntry = 5;

// Kind 0 ('H', 'L': driven) points outwards, kind 1 (any other letter) inwards; level 4
// draws the marker dark with a light outline, level 0 light with a dark outline.
struct MarkerLook {
    int kind;
    int level;
};
MarkerLook MarkerLookOf(char letter);

}  // namespace scene
