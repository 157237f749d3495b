#include "cli/Session.h"

#include "cli/BoardFacts.h"
#include "cli/CommandLine.h"
#include "cli/ExitCode.h"

namespace cli {

std::string BoardLabel(const std::string& node, std::optional<uint16_t> serial)
{
    return serial ? node + " (" + SerialText(serial) + ")" : node;
}

void ReportBoardFailure(Console& console, const std::string& label, const std::string& cause)
{
    console.Err(std::string(ProgramName) + ": board " + label + ": " + cause);
}

void ReportUsageError(Console& console, const std::string& message)
{
    console.Err(std::string(ProgramName) + ": " + message);
}

std::vector<BoardIdentity> IdentifyBoards(const std::vector<AttachedBoard>& boards,
                                          std::vector<std::optional<InfoBlock>>* infos)
{
    std::vector<BoardIdentity> identities;
    for (const AttachedBoard& attached : boards) {
        std::optional<InfoBlock> info;
        if (attached.accessError.empty()) {
            if (const board::Result<InfoBlock> read = attached.Open()->ReadInfoBlock())
                info = *read;
        }
        identities.push_back(
            {attached.node, info ? std::optional<uint16_t>(board::infoblock::Serial(*info)) : std::nullopt});
        if (infos)
            infos->push_back(info);
    }
    return identities;
}

std::optional<OneBoard> ChooseOneBoard(Session& session, int& exitCode)
{
    std::optional<BoardName> name;
    if (!session.options.board.empty()) {
        const ParsedBoardName parsed = ParseBoardName(session.options.board);
        if (!parsed.name) {
            ReportUsageError(session.console, parsed.error);
            exitCode = ExitUsageError;
            return std::nullopt;
        }
        name = parsed.name;
    }

    std::vector<AttachedBoard> attached = session.source.Attach();
    // Serial numbers are read only when they are needed: to find a board by its number, or
    // to tell the user which boards there are.
    const bool needSerials = (name && name->serial) || attached.size() > 1;
    std::vector<std::optional<InfoBlock>> infos;
    std::vector<BoardIdentity> identities;
    if (needSerials) {
        identities = IdentifyBoards(attached, &infos);
    } else {
        for (const AttachedBoard& board : attached)
            identities.push_back({board.node, std::nullopt});
        infos.resize(attached.size());
    }

    const BoardChoice choice = ChooseBoard(identities, name);
    if (!choice.index) {
        ReportUsageError(session.console, choice.error);
        exitCode = choice.usageError ? ExitUsageError : ExitBoardFailed;
        return std::nullopt;
    }
    const std::size_t index = *choice.index;
    OneBoard one;
    one.attached = attached[index];
    one.info = infos[index];
    one.label = BoardLabel(one.attached.node, identities[index].serial);
    if (!one.attached.accessError.empty()) {
        ReportBoardFailure(session.console, one.label,
                           "cannot be opened: " + one.attached.accessError + "; fix: " + AccessFix());
        exitCode = ExitBoardFailed;
        return std::nullopt;
    }
    one.board = one.attached.Open();
    return one;
}

}  // namespace cli
