#include "scene/PinHitTest.h"

#include <cstdint>

#include "pins/PinTables.h"

namespace scene {

std::optional<int> HeaderPositionAt(int x, int y)
{
    // The row y = 40 lies between the two bands and below the upper markers (y 14 to 38),
    // so it asks for nothing.
    const bool upper = y < 40;
    const bool lower = y >= 190;
    if ((!upper && !lower) || x < 165)
        return std::nullopt;
    // Columns are 12.5 pixels wide: twice the offset from x = 165, in 25ths. Counted in 64
    // bits, so that no x, however large, overflows.
    const int64_t column = (2 * (int64_t{x} - 165)) / 25;
    // Right of the last marker the column would name a position of the other row, or none.
    if (column >= pins::HeaderRowLength)
        return std::nullopt;
    const int position = static_cast<int>(column);
    return upper ? position : position + pins::HeaderRowLength;
}

}  // namespace scene
