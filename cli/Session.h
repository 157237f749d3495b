#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/BoardAccess.h"
#include "cli/Options.h"

namespace cli {

// One run of a command: what the user asked for, where the boards come from, where the
// output goes.
struct Session {
    const Options& options;
    BoardSource& source;
    Console& console;
};

// "/dev/hidraw3 (TRK_00042)", or the node alone when the serial number is not known.
std::string BoardLabel(const std::string& node, std::optional<uint16_t> serial);

// The message on standard error for a board that failed: "tarvik-cli: board LABEL: CAUSE".
void ReportBoardFailure(Console& console, const std::string& label, const std::string& cause);
void ReportUsageError(Console& console, const std::string& message);

// The board a single-board command works on, with its link.
struct OneBoard {
    AttachedBoard attached;
    std::unique_ptr<Board> board;
    std::optional<InfoBlock> info;  // when the choice had to read it
    std::string label;
};

// Chooses the board named on the command line (or the only one), opens it and says why
// when it cannot: exitCode is then set and nothing is returned.
std::optional<OneBoard> ChooseOneBoard(Session& session, int& exitCode);

// The identity of each attached board for the choice and the numbering: the serial number
// of every board that answers (a board that cannot be opened has none).
std::vector<BoardIdentity> IdentifyBoards(const std::vector<AttachedBoard>& boards,
                                          std::vector<std::optional<InfoBlock>>* infos = nullptr);

}  // namespace cli
