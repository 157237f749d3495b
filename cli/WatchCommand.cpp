#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/BoardFacts.h"
#include "platform/Platform.h"
#include "cli/PinWatch.h"

namespace cli {

// Captures at the rate asked for and prints each change, until interrupted, until the
// board stops answering or until the output is closed. However it ends, the board leaves
// boundary-scan test mode.
int RunWatch(Session& session)
{
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;
    Board& board = *one->board;
    Console& console = session.console;

    platform::StopScope stops;
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / session.options.rateHz));
    std::optional<PinCapture> previous;
    while (!platform::StopScope::Requested()) {
        const auto start = std::chrono::steady_clock::now();
        const board::Result<PinCapture> read = board.CapturePins();
        const std::string time = WatchTime(std::chrono::system_clock::now());
        if (!read) {
            ReportBoardFailure(console, one->label, CauseText(read.Error()));
            exitCode = ExitBoardFailed;
            break;
        }
        const PinCapture& capture = *read;
        if (!previous) {
            console.Out(time + " watching " + one->label + " (Ctrl-C ends)");
            for (const std::string& line : PinListingLines(capture))
                console.Out(line);
        } else {
            for (const PinChange& change : PinChanges(*previous, capture))
                console.Out(ChangeLine(time, change));
        }
        if (!console.OutGood())
            break;
        previous = capture;
        platform::StopScope::Sleep(start + period - std::chrono::steady_clock::now());
    }

    if (const auto left = board.LeaveTestMode(); !left) {
        ReportBoardFailure(console, one->label, "test mode not left: " + CauseText(left.Error()));
        return ExitBoardFailed;
    }
    console.Err("Test mode left.");
    return exitCode;
}

}  // namespace cli
