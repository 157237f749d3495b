#include "scene/PinHitTest.h"

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
    const int column = (2 * x - 330) / 25;
    // Right of the last marker the column would name a position of the other row, or none.
    if (column >= pins::HeaderRowLength)
        return std::nullopt;
    return upper ? column : column + pins::HeaderRowLength;
}

}  // namespace scene
