#include "cli/BoardFacts.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"

// list and info: what the boards' flash remembers.
namespace cli {
namespace {

BoardFacts GatherFacts(const AttachedBoard& attached, Board& board, std::optional<InfoBlock> info)
{
    BoardFacts facts{attached.node, attached.port, attached.accessError, {}, {}, std::nullopt, std::nullopt};
    if (!attached.accessError.empty())
        return facts;
    if (!info) {
        const board::Result<InfoBlock> read = board.ReadInfoBlock();
        if (!read) {
            facts.readError = "information block not read: " + CauseText(read.Error());
            facts.readFailure = FailureKey(read.Error().kind);
            return facts;
        }
        info = *read;
    }
    facts.info = info;
    // A chain check the board did not answer leaves the chain unknown.
    const board::Result<board::Done> chain = board.CheckChain();
    if (chain.Ok() || chain.Error().kind == board::FailureKind::ChainNotUsable)
        facts.jtagChain = chain.Ok();
    return facts;
}

void PrintJson(Console& console, const nlohmann::ordered_json& json) { console.Out(json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)); }

}  // namespace

int RunList(Session& session)
{
    std::vector<BoardFacts> facts;
    for (const AttachedBoard& attached : session.source.Attach()) {
        facts.push_back(GatherFacts(attached, *attached.Open(), std::nullopt));
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
    // No board is no board to work on, as for every other command.
    return allReadable && !facts.empty() ? ExitSuccess : ExitBoardFailed;
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
