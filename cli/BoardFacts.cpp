#include "cli/BoardFacts.h"

#include <algorithm>
#include <cstdio>

#include "board/BoardText.h"
#include "platform/Platform.h"
#include "pins/PinTables.h"

namespace cli {
namespace {

std::string IsoDate(const board::ProgrammingDate& date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date.year, date.month, date.day, date.hour,
                  date.minute, date.second);
    return text;
}

int HeaderPinAt(int position) { return pins::HeaderPinTable[static_cast<std::size_t>(position)]; }

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string JtagText(const BoardFacts& board)
{
    if (!board.jtagChain)
        return "?";
    return *board.jtagChain ? "answers" : "no";
}

}  // namespace

std::string AccessFix()
{
    return platform::BoardAccessFix().full;
}

std::vector<std::string> ListLines(const std::vector<BoardFacts>& boards)
{
    std::size_t nodeWidth = 4;
    for (const BoardFacts& board : boards)
        nodeWidth = std::max(nodeWidth, board.node.size());
    nodeWidth += 2;
    const std::size_t indent = nodeWidth;

    std::vector<std::string> lines;
    lines.push_back(Padded("NODE", nodeWidth) + Padded("SERIAL", 11) + Padded("CYCLES", 12) +
                    Padded("LAST PROGRAMMED", 24) + Padded("JTAG", 9) + "LAST FILE");
    for (const BoardFacts& board : boards) {
        if (!board.accessError.empty()) {
            lines.push_back(Padded(board.node, nodeWidth) + "cannot be opened: " + board.accessError);
            lines.push_back(std::string(indent, ' ') + "fix: " + AccessFix());
        } else if (!board.Readable()) {
            lines.push_back(Padded(board.node, nodeWidth) + "does not answer: " + board.readError);
        } else {
            const board::BoardInfo info = board::InfoOf(*board.info);
            lines.push_back(Padded(board.node, nodeWidth) + Padded(board::text::Serial(*info.serial), 11) +
                            Padded(std::to_string(*info.cycles), 12) +
                            Padded(board::text::Date(*info.lastProgrammed), 24) + Padded(JtagText(board), 9) +
                            board::text::FileName(*info.fileName));
        }
    }
    return lines;
}

std::vector<std::string> InfoLines(const BoardFacts& board)
{
    const board::BoardInfo info = board::InfoOf(*board.info);
    return {
        "Board:               " + board.node,
        "Board serial number: " + board::text::Serial(*info.serial),
        "Programming cycles:  " + std::to_string(*info.cycles),
        "Last programmed:     " + board::text::Date(*info.lastProgrammed),
        "FPGA file:           " + board::text::FileName(*info.fileName),
        "JTAG chain:          " + JtagText(board),
    };
}

nlohmann::ordered_json FactsJson(const BoardFacts& board)
{
    nlohmann::ordered_json json = {{"node", board.node}, {"port", PortText(board.port)}};
    if (!board.accessError.empty()) {
        json["error"] = "cannot be opened: " + board.accessError;
        json["failure"] = FailureKey(board::FailureKind::CannotOpen);
        json["fix"] = AccessFix();
        return json;
    }
    if (!board.Readable()) {
        json["error"] = "does not answer: " + board.readError;
        json["failure"] = board.readFailure;
        return json;
    }
    json["failure"] = nullptr;
    const board::BoardInfo info = board::InfoOf(*board.info);
    json["serial"] = *info.serial;
    json["serial_text"] = board::text::Serial(*info.serial);
    json["cycles"] = *info.cycles;
    json["last_programmed"] = IsoDate(*info.lastProgrammed);
    json["last_file"] = board::text::FileName(*info.fileName);
    json["jtag_chain"] = board.jtagChain ? nlohmann::ordered_json(*board.jtagChain) : nlohmann::ordered_json();
    return json;
}

nlohmann::ordered_json PinsJson(const std::string& node, const PinCapture& capture)
{
    nlohmann::ordered_json pins = nlohmann::ordered_json::array();
    for (int position = 0; position < pins::HeaderPositions; ++position) {
        const char state = pins::DecodePinState(capture, position);
        pins.push_back({{"position", position},
                        {"pin", HeaderPinAt(position)},
                        {"label", board::text::PinLabel(position)},
                        {"state", std::string(1, state)},
                        {"driven", state == 'H' || state == 'L'}});
    }
    return {{"node", node}, {"pins", pins}};
}

std::vector<std::string> PinListingLines(const PinCapture& capture)
{
    std::vector<std::string> lines;
    const std::string listing = board::text::CaptureListing(capture);
    std::size_t start = 0;
    while (start < listing.size()) {
        const std::size_t end = std::min(listing.find("\r\n", start), listing.size());
        lines.push_back(listing.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace cli
