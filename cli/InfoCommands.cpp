#include "cli/BoardFacts.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"

// list and info: what the boards' flash remembers.
namespace cli {
namespace {

constexpr const char* NoAnswer = "the board did not answer";

BoardFacts GatherFacts(const AttachedBoard& attached, Board& board, std::optional<InfoBlock> info)
{
    BoardFacts facts{attached.node, attached.port, attached.accessError, {}, std::nullopt, std::nullopt};
    if (!attached.accessError.empty())
        return facts;
    if (!info)
        info = board.ReadInfoBlock();
    if (!info) {
        facts.readError = "information block not read: " + CauseOf(board.TakeLog(), NoAnswer);
        return facts;
    }
    facts.info = info;
    facts.jtagChain = board.JtagChainUsable();
    return facts;
}

void PrintJson(Console& console, const nlohmann::ordered_json& json) { console.Out(json.dump(2)); }

}  // namespace

int RunList(Session& session)
{
    std::vector<BoardFacts> facts;
    for (const AttachedBoard& attached : session.source.Attach()) {
        Board board(*attached.backend, attached.node);
        facts.push_back(GatherFacts(attached, board, std::nullopt));
    }
    const bool allReadable = std::all_of(facts.begin(), facts.end(), [](const BoardFacts& f) { return f.Readable(); });

    if (session.options.json) {
        nlohmann::ordered_json boards = nlohmann::ordered_json::array();
        for (const BoardFacts& board : facts)
            boards.push_back(FactsJson(board));
        PrintJson(session.console, {{"boards", boards}});
    } else if (facts.empty()) {
        session.console.Err("No Morvane board is attached.");
    } else {
        for (const std::string& line : ListLines(facts))
            session.console.Out(line);
    }
    return allReadable ? ExitSuccess : ExitBoardFailed;
}

int RunInfo(Session& session)
{
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;
    const BoardFacts facts = GatherFacts(one->attached, *one->board, one->info);
    if (!facts.Readable()) {
        ReportBoardFailure(session.console, one->label, facts.readError);
        return ExitBoardFailed;
    }
    if (session.options.json) {
        PrintJson(session.console, FactsJson(facts));
    } else {
        for (const std::string& line : InfoLines(facts))
            session.console.Out(line);
    }
    return ExitSuccess;
}

}  // namespace cli
