#pragma once

#include <optional>
#include <string>
#include <vector>

#include "boards/BoardName.h"

// Which of the attached boards a command works on.
namespace boards {

struct BoardChoice {
    std::optional<std::size_t> index;  // into the attached boards
    std::string error;                 // when there is no index: why, naming the boards there are
    bool usageError = false;           // the user has to name a board (several attached)
};

// With a name: the one board it names (a serial number against the boards' serial numbers,
// a node against their nodes); a serial number that two boards share names neither.
// Without a name: the only board attached.
BoardChoice ChooseBoard(const std::vector<BoardIdentity>& boards, const std::optional<BoardName>& name);

// "/dev/hidraw3 (TRK_00042), /dev/hidraw4 (TRK_00043)"
std::string DescribeBoards(const std::vector<BoardIdentity>& boards);

}  // namespace boards
