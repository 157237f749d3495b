#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "boards/BoardName.h"

// Numbers for blank boards (serial number 0): consecutive from the first number, in the
// order the boards are listed (the order of their USB ports); a board that already has a
// number keeps it.
namespace boards {

struct Numbering {
    // For each board, the number it is to be given; none for a numbered board or one whose
    // information block could not be read.
    std::vector<std::optional<uint16_t>> numbers;
    std::string error;  // set when the numbers cannot be given; then nothing is to be written
};

// A number may not run past 65535, nor be one that an attached board already carries:
// two boards with one number could no longer be told apart by it. given says where the
// first number came from, for the error ("--serial 101").
Numbering NumberBlankBoards(const std::vector<BoardIdentity>& boards, long first, const std::string& given);

}  // namespace boards
