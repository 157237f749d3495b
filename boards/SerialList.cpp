#include "boards/SerialList.h"

#include <algorithm>

namespace boards {

Numbering NumberBlankBoardsFromList(const std::vector<BoardIdentity>& boards, const std::vector<long>& numbers)
{
    Numbering result;
    auto refuse = [&](const std::string& why) {
        result.numbers.clear();
        result.error = "--serial-list: " + why;
        return result;
    };
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] < 1 || numbers[i] > 65535)
            return refuse(std::to_string(numbers[i]) + ": serial numbers go from 1 to 65535");
        if (std::find(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(i), numbers[i]) !=
            numbers.begin() + static_cast<std::ptrdiff_t>(i))
            return refuse(std::to_string(numbers[i]) + " is in the list twice");
        for (const BoardIdentity& board : boards)
            if (board.serial == static_cast<uint16_t>(numbers[i]))
                return refuse(SerialText(static_cast<uint16_t>(numbers[i])) + " is already the number of the board at " +
                              board.node);
    }
    std::size_t next = 0;
    for (const BoardIdentity& board : boards) {
        if (board.serial != uint16_t{0}) {
            result.numbers.emplace_back();
            continue;
        }
        if (next == numbers.size()) {
            const auto blanks = std::count_if(boards.begin(), boards.end(),
                                              [](const BoardIdentity& b) { return b.serial == uint16_t{0}; });
            return refuse(std::to_string(numbers.size()) + " numbers for " + std::to_string(blanks) + " blank boards");
        }
        result.numbers.emplace_back(static_cast<uint16_t>(numbers[next++]));
    }
    return result;
}

}  // namespace boards
