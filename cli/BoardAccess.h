#pragma once

#include <cstdint>
#include <string>

#include "board/Board.h"
#include "link/BackendDecorator.h"
#include "link/HidBackend.h"

// What the command-line tool takes from the core: the board object and the device layer,
// and the words it uses for the board's failures.
namespace cli {

using board::Board;
using board::InfoBlock;
using board::PinLevel;
using PinCapture = pins::Capture;
using HidBackend = boardlink::HidBackend;
using BackendDecorator = boardlink::BackendDecorator;
using HidInterfaceInfo = boardlink::HidInterfaceInfo;
using HidAccess = boardlink::HidAccess;
using HidHandle = boardlink::HidHandle;
using HidCaps = boardlink::HidCaps;
using HidReadResult = boardlink::HidReadResult;
inline constexpr auto InvalidHidHandle = boardlink::InvalidHidHandle;

// Why an operation failed, as the tool says it: "the board did not answer", "cannot be
// opened: Permission denied; fix: ...", the system's words for a file, ...
std::string CauseText(const board::Failure& failure);

// The same reason as a stable key for scripts: "no-board", "cannot-open", "no-reply",
// "not-done", "refused", "chain-not-usable", "file-refused", "stopped".
std::string FailureKey(board::FailureKind kind);

// The board command's name ("ReadMemory", "JtagCapture", ...), or its code in hex.
std::string CommandName(uint8_t command);

// Whether a listed HID interface is a Morvane board, by its vendor and product id.
bool IsMorvaneBoard(const HidInterfaceInfo& info);

}  // namespace cli
