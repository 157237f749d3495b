#pragma once

#include <cstdint>
#include <string>

#include "board/Board.h"

// The words for why a board operation failed, the same for every front end that names a
// failure in a line: a cause to read and a key to compare.
namespace boards {

// Why an operation failed: "the board did not answer ReadMemory", "cannot be opened:
// Permission denied; fix: ...", the system's words for a file, ...
std::string CauseText(const board::Failure& failure);

// The same reason as a stable key for scripts: "no-board", "cannot-open", "no-reply",
// "not-done", "refused", "chain-not-usable", "file-refused", "stopped".
std::string FailureKey(board::FailureKind kind);

// The board command's name ("ReadMemory", "JtagCapture", ...), or its code in hex.
std::string CommandName(uint8_t command);

}  // namespace boards
