#include "board/BoardText.h"
#include "board/Download.h"
#include "cli/BoardFacts.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "platform/Platform.h"

// read: saves the configuration a board holds as the file whose download writes the same
// configuration area.
namespace cli {
namespace {

constexpr const char* ExistsText = "exists: give --force to overwrite it";

// The page progress as the download draws it, and the stop that Ctrl-C asks for.
class ReadProgress final : public board::BoardObserver {
public:
    ReadProgress(Console& console, std::string label) : m_console(console), m_label(std::move(label)) {}
    void Progress(std::size_t done, std::size_t total) override
    {
        if (m_console.ProgressShown())
            m_console.Progress({ProgressLine(m_label, static_cast<long>(done), static_cast<long>(total))});
    }
    bool StopRequested() override { return platform::StopScope::Requested(); }

private:
    Console& m_console;
    std::string m_label;
};

// How the read ended: the failure's key and text, or the bytes saved.
struct ReadEnd {
    std::string failure;  // empty when the file was saved
    std::string text;
    std::size_t bytes = 0;
};

ReadEnd ReadAndSave(const Options& options, OneBoard& one, Console& console)
{
    ReadProgress progress(console, one.label);
    one.board->SetObserver(&progress);
    const board::Result<std::vector<uint8_t>> read = one.board->ReadConfiguration();
    console.EndProgress();
    if (!read) {
        const board::Failure& failure = read.Error();
        if (failure.kind == board::FailureKind::Stopped)
            return {FailureKey(failure.kind), "read stopped; no file written"};
        return {FailureKey(failure.kind), "configuration not read: " + CauseText(failure) + "; no file written"};
    }
    if (read->empty())
        return {"no-configuration", "holds no configuration: its configuration area is erased; no file written"};
    // A download writes erased flash into the area's last byte: no file gives an area whose
    // last byte is anything else.
    if (read->size() > board::MaxConfigFileBytes)
        return {"beyond-file-limit",
                "the last byte of its configuration area is not erased flash, and a download writes at most " +
                    std::to_string(board::MaxConfigFileBytes) +
                    " bytes: no file gives this configuration; no file written"};
    if (const std::string problem = platform::SaveFile(options.file, *read, options.force, ExistsText); !problem.empty())
        return {"file-not-written", board::text::FileName(options.file) + ": " + problem + "; no file written"};
    return {{}, "configuration saved to " + board::text::FileName(options.file) + ": " + std::to_string(read->size()) +
                    " bytes", read->size()};
}

}  // namespace

int RunRead(Session& session)
{
    const Options& options = session.options;
    Console& console = session.console;
    // Looked at before any board is touched: a read is not worth making for a file that
    // cannot take it.
    if (const std::string problem = platform::SaveProblem(options.file, options.force, ExistsText); !problem.empty()) {
        ReportUsageError(console, board::text::FileName(options.file) + ": " + problem);
        return ExitUsageError;
    }
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;

    // The first Ctrl-C or SIGTERM stops the read after the page in flight.
    platform::StopScope stops;
    if (!options.json)
        console.Out("Reading the configuration of " + one->label + " ...");
    const ReadEnd end = ReadAndSave(options, *one, console);
    if (options.json) {
        nlohmann::ordered_json json = {
            {"file", board::text::FileName(options.file)},
            {"node", one->attached.node},
            {"port", PortText(one->attached.port)},
            {"succeeded", end.failure.empty()},
            {"result", end.text},
            {"failure", end.failure.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(end.failure)},
            {"bytes", end.bytes},
        };
        console.Out(json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    } else if (end.failure.empty()) {
        console.Out("Board " + one->label + ": " + end.text + ".");
    }
    if (end.failure.empty())
        return ExitSuccess;
    ReportBoardFailure(console, one->label, end.text);
    return end.failure == FailureKey(board::FailureKind::Stopped) ? ExitInterrupted : ExitBoardFailed;
}

}  // namespace cli
