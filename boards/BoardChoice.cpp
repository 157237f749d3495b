#include "boards/BoardChoice.h"

namespace boards {

std::string DescribeBoards(const std::vector<BoardIdentity>& boards)
{
    std::string text;
    for (const BoardIdentity& board : boards) {
        if (!text.empty())
            text += ", ";
        text += board.node + " (" + SerialText(board.serial) + ")";
    }
    return text;
}

BoardChoice ChooseBoard(const std::vector<BoardIdentity>& boards, const std::optional<BoardName>& name)
{
    if (boards.empty())
        return {std::nullopt, "no Morvane board is attached", false};
    if (!name) {
        if (boards.size() == 1)
            return {0, {}, false};
        return {std::nullopt,
                std::to_string(boards.size()) + " boards are attached (" + DescribeBoards(boards) +
                    "): name one by its serial number or node",
                true};
    }
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const bool match = name->serial ? boards[i].serial == name->serial : NodeMatches(name->node, boards[i].node);
        if (match)
            matches.push_back(i);
    }
    const std::string named = name->serial ? SerialText(name->serial) : name->node;
    if (matches.size() == 1)
        return {matches.front(), {}, false};
    if (matches.empty())
        return {std::nullopt, "board " + named + " is not attached; attached: " + DescribeBoards(boards), false};
    std::vector<BoardIdentity> same;
    for (std::size_t i : matches)
        same.push_back(boards[i]);
    return {std::nullopt,
            "board " + named + " names " + std::to_string(matches.size()) + " boards (" + DescribeBoards(same) +
                "): name one by its node",
            true};
}

}  // namespace boards
