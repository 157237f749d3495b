#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a user names one board on the command line: by its serial number ("TRK_00042" or
// "42", as the information block shows it) or by its device node ("/dev/hidraw3" or
// "hidraw3").
namespace boards {

struct BoardName {
    std::optional<uint16_t> serial;  // set when the board is named by its serial number
    std::string node;                // otherwise the node as typed
};

// The name the user typed, or an error text that says what is wrong with it (a serial
// number outside 0 to 65535, an empty name).
struct ParsedBoardName {
    std::optional<BoardName> name;
    std::string error;
};
ParsedBoardName ParseBoardName(std::string_view text);

// What the selection knows of each attached board: its node, and its serial number when
// its information block could be read.
struct BoardIdentity {
    std::string node;
    std::optional<uint16_t> serial;
};

// "TRK_00042", or "TRK_?????" for a board whose serial number is not known.
std::string SerialText(std::optional<uint16_t> serial);

// True when the node names the board at boardNode, whole or by its last path component.
bool NodeMatches(std::string_view typed, std::string_view boardNode);

}  // namespace boards
