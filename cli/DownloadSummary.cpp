#include "cli/DownloadSummary.h"

#include <algorithm>
#include <cstdio>

#include "board/BoardText.h"
#include "cli/BoardAccess.h"

namespace cli {
namespace {

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string SerialColumn(const BoardDownload& board)
{
    if (board.serialGiven)
        return SerialText(board.serialBefore) + " -> " + SerialText(board.serialGiven) + " (new)";
    if (!board.serialAfter.empty())
        return board.serialAfter;
    return SerialText(board.serialBefore);
}

}  // namespace

std::string VerifyText(VerifyState state, std::optional<unsigned> firstDifference)
{
    switch (state) {
    case VerifyState::NotAsked: return "";
    case VerifyState::Matches: return "verified";
    case VerifyState::Differs: return "differs at " + board::text::Address(firstDifference.value_or(0));
    case VerifyState::NotRead: return "not read back";
    }
    return "";
}

std::vector<std::string> SummaryLines(const std::vector<BoardDownload>& boards)
{
    std::size_t nodeWidth = 5;
    std::size_t serialWidth = 6;
    for (const BoardDownload& board : boards) {
        nodeWidth = std::max(nodeWidth, board.node.size());
        serialWidth = std::max(serialWidth, SerialColumn(board).size());
    }
    nodeWidth += 2;
    serialWidth += 2;

    std::vector<std::string> lines;
    lines.push_back(Padded("BOARD", nodeWidth) + Padded("SERIAL", serialWidth) + "RESULT");
    std::size_t succeeded = 0;
    for (const BoardDownload& board : boards) {
        std::string result = (board.succeeded ? "ok: " : "FAILED: ") + board.result;
        const std::string verify = VerifyText(board.verify, board.firstDifference);
        if (!verify.empty())
            result += "; " + verify;
        lines.push_back(Padded(board.node, nodeWidth) + Padded(SerialColumn(board), serialWidth) + result);
        succeeded += board.succeeded ? 1 : 0;
    }
    lines.push_back(std::to_string(boards.size()) + (boards.size() == 1 ? " board: " : " boards: ") +
                    std::to_string(succeeded) + " programmed, " + std::to_string(boards.size() - succeeded) + " failed");
    return lines;
}

nlohmann::ordered_json DownloadJson(const std::string& file, const std::vector<BoardDownload>& boards)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    std::size_t succeeded = 0;
    for (const BoardDownload& board : boards) {
        nlohmann::ordered_json entry = {
            {"node", board.node},
            {"port", board.port},
            {"serial_before", board.serialBefore ? nlohmann::ordered_json(*board.serialBefore) : nlohmann::ordered_json()},
            {"serial_given", board.serialGiven ? nlohmann::ordered_json(*board.serialGiven) : nlohmann::ordered_json()},
            {"serial_text", board.serialAfter},
            {"succeeded", board.succeeded},
            {"result", board.result},
            {"failure", board.failure.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(board.failure)},
            {"log", board.log},
        };
        if (board.verify != VerifyState::NotAsked) {
            entry["verified"] = board.verify == VerifyState::Matches;
            entry["first_difference"] =
                board.firstDifference ? nlohmann::ordered_json(board::text::Address(*board.firstDifference)) : nlohmann::ordered_json();
        }
        list.push_back(std::move(entry));
        succeeded += board.succeeded ? 1 : 0;
    }
    return {{"file", file},
            {"boards", list},
            {"succeeded", succeeded},
            {"failed", boards.size() - succeeded}};
}

}  // namespace cli
