#pragma once

#include <vector>

#include "boards/SerialNumbering.h"

// Numbers for blank boards given as a list with --serial-list, as a lab gives out numbers
// across its PCs: the blank boards, in the order of their USB ports, take the numbers of
// the list in turn; a board that already has a number keeps it.
namespace boards {

// Nothing is to be written when the list holds a number twice, a number an attached board
// already carries, or fewer numbers than there are blank boards: a board left out would
// stay blank while the run looked complete.
Numbering NumberBlankBoardsFromList(const std::vector<BoardIdentity>& boards, const std::vector<long>& numbers);

}  // namespace boards
