#include "boards/SerialNumbering.h"

namespace boards {

Numbering NumberBlankBoards(const std::vector<BoardIdentity>& boards, long first, const std::string& given)
{
    Numbering result;
    if (first < 1 || first > 65535) {
        result.error = given + ": serial numbers go from 1 to 65535";
        return result;
    }
    long next = first;
    for (const BoardIdentity& board : boards) {
        if (board.serial != uint16_t{0}) {
            result.numbers.emplace_back();
            continue;
        }
        if (next > 65535) {
            result.numbers.clear();
            result.error = given + ": not enough numbers up to 65535 for the blank boards";
            return result;
        }
        const auto number = static_cast<uint16_t>(next++);
        for (const BoardIdentity& other : boards) {
            if (other.serial == number) {
                result.numbers.clear();
                result.error = given + ": " + SerialText(number) +
                               " is already the number of the board at " + other.node;
                return result;
            }
        }
        result.numbers.emplace_back(number);
    }
    return result;
}

}  // namespace boards
