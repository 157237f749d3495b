#pragma once

#include <optional>

namespace scene {

// The header position a click at client pixel x, y asks for: the upper marker row above
// y = 40 (positions 0-39), the lower one from y = 190 (positions 40-79), 12.5-pixel columns
// from x = 165. Nothing for the band between the rows, the left margin, or right of the
// last column.
std::optional<int> HeaderPositionAt(int x, int y);

}  // namespace scene
