#include "board/JtagTests.h"

#include <algorithm>

#include "pins/PinTables.h"

namespace board {

std::optional<int> FindHeaderPosition(int pinNumber)
{
    const auto* found = std::find(pins::HeaderPinTable.begin(), pins::HeaderPinTable.end(), pinNumber);
    if (found == pins::HeaderPinTable.end())
        return std::nullopt;
    return static_cast<int>(found - pins::HeaderPinTable.begin());
}

}  // namespace board
