#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/BoardAccess.h"

// What list and info show of a board, as text lines and as JSON.
namespace cli {

struct BoardFacts {
    std::string node;
    UsbPort port;
    std::string accessError;  // the node cannot be opened: the system's reason
    std::string readError;    // opened, but the information block did not arrive: the cause
    std::string readFailure;  // the same as a key (FailureKey)
    std::optional<InfoBlock> info;
    std::optional<bool> jtagChain;

    bool Readable() const { return accessError.empty() && readError.empty() && info.has_value(); }
};

// What to do about a node the user may not open.
std::string AccessFix();

// One table: a heading, then a line per board; a board that cannot be read gets its reason
// and, when it cannot be opened, the fix on the next line.
std::vector<std::string> ListLines(const std::vector<BoardFacts>& boards);
// "Board serial number: TRK_00042" and the other fields, one per line.
std::vector<std::string> InfoLines(const BoardFacts& board);
nlohmann::ordered_json FactsJson(const BoardFacts& board);

nlohmann::ordered_json PinsJson(const std::string& node, const PinCapture& capture);
// The capture listing with plain line ends.
std::vector<std::string> PinListingLines(const PinCapture& capture);

}  // namespace cli
