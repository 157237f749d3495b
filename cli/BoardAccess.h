#pragma once

#include "board/Board.h"
#include "boards/AttachedBoards.h"
#include "boards/BoardChoice.h"
#include "boards/BoardName.h"
#include "boards/FailureWords.h"
#include "boards/SerialNumbering.h"
#include "link/HidBackend.h"

// What the command-line tool takes from the core: the board object, the boards attached and
// the choice among them, and the words for the board's failures.
namespace cli {

using board::Board;
using board::InfoBlock;
using board::PinLevel;
using PinCapture = pins::Capture;
using boardlink::HidBackend;
using boards::AttachedBoard;
using boards::BoardIdentity;
using boards::BoardChoice;
using boards::BoardName;
using boards::BoardSource;
using boards::CauseText;
using boards::ChooseBoard;
using boards::CommandName;
using boards::FailureKey;
using boards::HardwareBoards;
using boards::NumberBlankBoards;
using boards::Numbering;
using boards::ParseBoardName;
using boards::ParsedBoardName;
using boards::PortText;
using boards::SerialText;
using boards::UsbPort;

}  // namespace cli
