#include <atomic>
#include <thread>

#include "cli/BoardFacts.h"
#include "cli/Commands.h"
#include "cli/DownloadSummary.h"
#include "cli/ExitCode.h"
#include "cli/SerialNumbering.h"
#include "cli/Verify.h"

// download: the window's configuration download on one board, or on every attached board at
// once, each on a thread and a board link of its own.
namespace cli {
namespace {

// One board's part of the run.
struct DownloadJob {
    AttachedBoard attached;
    std::string label;
    std::optional<uint16_t> serialBefore;
    std::optional<uint16_t> serialGiven;
    std::atomic<int> position{0};
    std::atomic<int> upper{0};
    BoardDownload result;
};

std::string VerdictText(const DownloadReport& report)
{
    switch (report.verdict) {
    case DownloadVerdict::FileRefused:
    case DownloadVerdict::FileNotOpened: return report.message.empty() ? "file not read" : report.message;
    case DownloadVerdict::FlashUpdateFailed: return "Flash memory update unsuccessful";
    case DownloadVerdict::ConfigurationFailed: return "FPGA configuration unsuccessful";
    case DownloadVerdict::Configured: return "FPGA configuration successful";
    }
    return "";
}

// Puts the number into a blank board, as the download itself does with the number the file
// name begins with: the FPGA held, page 0 as read with the serial number in bytes 0 and 1.
// The download that follows holds the FPGA again and releases it at its end.
bool GiveSerialNumber(Board& board, uint16_t serial, std::string& cause)
{
    FlashPage page{};
    if (!board.SetProgrammingMode(true)) {
        cause = "serial number " + SerialText(serial) + " not given: programming mode refused: " +
                CauseOf(board.TakeLog(), "the board did not answer");
        return false;
    }
    if (!board.ReadFlashPage(0, page)) {
        cause = "serial number " + SerialText(serial) + " not given: page 0 not read: " +
                CauseOf(board.TakeLog(), "the board did not answer");
        return false;
    }
    page[0] = static_cast<uint8_t>(serial & 0xFF);
    page[1] = static_cast<uint8_t>(serial >> 8);
    if (!board.WriteFlashPage(0, page)) {
        cause = "serial number " + SerialText(serial) + " not written: " +
                CauseOf(board.TakeLog(), "the board did not answer");
        return false;
    }
    return true;
}

// The link's own lines among a download's log: everything but the read line and the verdict.
std::string LinkCause(const std::vector<std::string>& log, const std::string& verdict)
{
    std::vector<std::string> linkLines;
    for (const std::string& line : log)
        if (line.find("bytes from RBF file") == std::string::npos && !line.ends_with(verdict))
            linkLines.push_back(line);
    return CauseOf(linkLines, "");
}

using LogSink = std::function<void(const DownloadJob&, const std::string&)>;

void RunJob(DownloadJob& job, const Options& options, const std::vector<uint8_t>& expected, const LogSink& logLine)
{
    BoardDownload& result = job.result;
    result.node = job.attached.node;
    result.serialBefore = job.serialBefore;
    result.serialGiven = job.serialGiven;
    if (!job.attached.accessError.empty()) {
        result.result = "cannot be opened: " + job.attached.accessError + "; fix: " + AccessFix();
        return;
    }
    Board board(*job.attached.backend, job.attached.node);
    board.SetEvents({[&](const std::string& line) {
                         result.log.push_back(line);
                         logLine(job, line);
                     },
                     [&](int position, int upper) {
                         job.upper = upper;
                         job.position = position;
                     }});
    if (job.serialGiven && !GiveSerialNumber(board, *job.serialGiven, result.result))
        return;

    const DownloadReport report = board.Download(options.file);
    result.serialAfter = report.serialText;
    result.result = VerdictText(report);
    result.succeeded = report.verdict == DownloadVerdict::Configured;
    const std::string cause = LinkCause(result.log, result.result);
    if (!cause.empty())
        result.result += " (" + cause + ")";

    // The read-back is worth doing whenever every page went to the flash, also when the FPGA
    // did not come up from it.
    const bool pagesWritten =
        report.verdict == DownloadVerdict::Configured || report.verdict == DownloadVerdict::ConfigurationFailed;
    if (options.verify && pagesWritten) {
        const VerifyOutcome outcome = VerifyConfigArea(board, expected);
        result.verify = outcome.state;
        result.firstDifference = outcome.firstDifference;
        result.succeeded = result.succeeded && result.verify == VerifyState::Matches;
    }
}

// Runs every job on a thread of its own; the calling thread draws the progress bars until
// the last one ends.
void RunJobs(std::vector<std::unique_ptr<DownloadJob>>& jobs, Session& session, const std::vector<uint8_t>& expected)
{
    Console& console = session.console;
    const bool several = jobs.size() > 1;
    const bool json = session.options.json;
    const LogSink logLine = [&](const DownloadJob& job, const std::string& line) {
        const std::string text = several ? job.label + ": " + line : line;
        if (json)
            console.Err(text);
        else
            console.Out(text);
    };
    std::atomic<std::size_t> finished{0};
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (auto& job : jobs)
        threads.emplace_back([&, raw = job.get()] {
            RunJob(*raw, session.options, expected, logLine);
            ++finished;
        });
    while (finished < jobs.size()) {
        if (console.ProgressShown()) {
            std::vector<std::string> bars;
            for (const auto& job : jobs)
                bars.push_back(ProgressLine(job->label, job->position, job->upper));
            console.Progress(bars);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (std::thread& thread : threads)
        thread.join();
    console.EndProgress();
}

void ReportFailures(Console& console, const std::vector<std::unique_ptr<DownloadJob>>& jobs)
{
    for (const auto& job : jobs)
        if (!job->result.succeeded) {
            std::string cause = job->result.result;
            const std::string verify = VerifyText(job->result.verify, job->result.firstDifference);
            if (!verify.empty() && job->result.verify != VerifyState::Matches)
                cause += "; read-back " + verify;
            ReportBoardFailure(console, job->label, cause);
        }
}

}  // namespace

int RunDownload(Session& session)
{
    const Options& options = session.options;
    Console& console = session.console;

    // The file is read before any board is touched: a mistyped name would otherwise hold
    // the FPGA of every board in programming mode for nothing.
    const std::optional<std::vector<uint8_t>> expected = ExpectedConfigArea(options.file);
    if (!expected) {
        ReportUsageError(console, options.file + ": Uable to open RBF file");
        return ExitBoardFailed;
    }

    std::vector<AttachedBoard> boards;
    std::vector<std::string> labels;
    std::vector<std::optional<uint16_t>> serials;
    if (options.allBoards) {
        boards = session.source.Attach();
        if (boards.empty()) {
            ReportUsageError(console, "no Morvane board is attached");
            return ExitBoardFailed;
        }
        // The serial numbers are read only to number blank boards, so that a plain download
        // makes exactly the exchanges the window's download makes.
        std::vector<BoardIdentity> identities;
        if (options.serial)
            identities = IdentifyBoards(boards);
        for (std::size_t i = 0; i < boards.size(); ++i) {
            serials.push_back(options.serial ? identities[i].serial : std::nullopt);
            labels.push_back(BoardLabel(boards[i].node, serials.back()));
        }
    } else {
        int exitCode = ExitSuccess;
        std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
        if (!one)
            return exitCode;
        if (options.serial && !one->info)
            one->info = one->board->ReadInfoBlock();
        serials.push_back(one->info ? std::optional<uint16_t>(SerialOf(*one->info)) : std::nullopt);
        labels.push_back(one->label);
        boards.push_back(one->attached);
    }

    std::vector<std::optional<uint16_t>> numbers(boards.size());
    if (options.serial) {
        std::vector<BoardIdentity> identities;
        for (std::size_t i = 0; i < boards.size(); ++i)
            identities.push_back({boards[i].node, serials[i]});
        Numbering numbering = NumberBlankBoards(identities, *options.serial);
        if (!numbering.error.empty()) {
            ReportUsageError(console, numbering.error);
            return ExitUsageError;
        }
        numbers = std::move(numbering.numbers);
        if (!options.allBoards && !numbers.front() && serials.front())
            console.Err("board " + labels.front() + " keeps its number: --serial numbers blank boards only");
    }

    std::vector<std::unique_ptr<DownloadJob>> jobs;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        auto job = std::make_unique<DownloadJob>();
        job->attached = boards[i];
        job->label = labels[i];
        job->serialBefore = serials[i];
        job->serialGiven = numbers[i];
        jobs.push_back(std::move(job));
    }
    RunJobs(jobs, session, *expected);

    std::vector<BoardDownload> results;
    for (const auto& job : jobs)
        results.push_back(job->result);
    if (options.json) {
        console.Out(DownloadJson(options.file, results).dump(2));
    } else if (options.allBoards) {
        for (const std::string& line : SummaryLines(results))
            console.Out(line);
    } else {
        const BoardDownload& result = results.front();
        if (result.serialGiven)
            console.Out("Serial number " + SerialText(result.serialGiven) + " given to " + result.node + ".");
        if (result.verify != VerifyState::NotAsked)
            console.Out("Read-back: " + VerifyText(result.verify, result.firstDifference) + ".");
    }
    ReportFailures(console, jobs);
    const bool allSucceeded =
        std::all_of(results.begin(), results.end(), [](const BoardDownload& r) { return r.succeeded; });
    return allSucceeded ? ExitSuccess : ExitBoardFailed;
}

}  // namespace cli
