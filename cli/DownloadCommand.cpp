#include <atomic>
#include <thread>

#include "board/BoardText.h"
#include "board/DownloadLog.h"
#include "board/LeadingInt.h"
#include "board/LocalTime.h"
#include "board/RbfFile.h"
#include "boards/SerialList.h"
#include "cli/BoardFacts.h"
#include "cli/Commands.h"
#include "cli/DownloadSummary.h"
#include "cli/ExitCode.h"
#include "cli/Sha256.h"
#include "link/Reporter.h"
#include "platform/Platform.h"

// download: the window's configuration download on one board, or on every attached board at
// once, each on a thread and a board link of its own.
namespace cli {
namespace {

constexpr const char* StoppedHint =
    "stopped; the board holds a partial configuration: download the file again to mend it";

// One board's part of the run.
struct DownloadJob {
    AttachedBoard attached;
    std::string label;
    std::optional<uint16_t> serialBefore;
    std::optional<uint16_t> serialGiven;
    // The run chose the numbers of blank boards itself (serialGiven), before the download.
    bool numbered = false;
    std::atomic<int> position{0};
    std::atomic<int> upper{0};
    BoardDownload result;
};

using LogSink = std::function<void(const DownloadJob&, const std::string&)>;

// A board's lines as they happen: the link's own lines and the download's log, each kept
// for the board's log and passed on to the terminal.
class JobLog final : public boardlink::Reporter, public board::DownloadLog {
public:
    JobLog(DownloadJob& job, const LogSink& sink) : DownloadLog(board::SystemTime), m_job(job), m_sink(sink) {}

    void Line(const std::string& line) override
    {
        m_job.result.log.push_back(line);
        m_sink(m_job, line);
    }

    // The link's lines.
    void LogLine(std::string text) override { Line(text); }
    void LogTimestamped() override { Line(board::FormatLocalTime(board::SystemTime, "%m/%d/%Y %H:%M:%S")); }

    // A blank board took its number in the download (the file name's number).
    void SerialGiven(uint16_t serial) override { m_given = serial; }
    std::optional<uint16_t> Given() const { return m_given; }

    bool StopRequested() override { return platform::StopScope::Requested(); }

private:
    void BarAt(std::size_t done, std::size_t total) override
    {
        m_job.upper = static_cast<int>(total);
        m_job.position = static_cast<int>(done);
    }

    DownloadJob& m_job;
    const LogSink& m_sink;
    std::optional<uint16_t> m_given;
};

// The board's key of why it failed: the first failure on its way; none when it succeeded.
void KeepFailure(BoardDownload& result, const std::string& key)
{
    if (result.failure.empty())
        result.failure = key;
}

void Download(DownloadJob& job, const Options& options, const LogSink& logLine);

void RunJob(DownloadJob& job, const Options& options, const LogSink& logLine)
{
    Download(job, options, logLine);
    BoardDownload& result = job.result;
    if (result.succeeded)
        result.failure.clear();
    else if (result.failure.empty())
        result.failure = "failed";
}

void Download(DownloadJob& job, const Options& options, const LogSink& logLine)
{
    BoardDownload& result = job.result;
    result.node = job.attached.node;
    result.port = PortText(job.attached.port);
    result.serialBefore = job.serialBefore;
    result.serialGiven = job.serialGiven;
    if (!job.attached.accessError.empty()) {
        result.result = "cannot be opened: " + job.attached.accessError + "; fix: " + AccessFix();
        result.failure = FailureKey(board::FailureKind::CannotOpen);
        return;
    }
    const std::unique_ptr<Board> opened = job.attached.Open();
    Board& board = *opened;
    JobLog log(job, logLine);
    board.SetReporter(&log);
    board.SetObserver(&log);
    if (job.serialGiven) {
        const board::Result<board::BoardInfo> given = board.GiveSerialNumber(*job.serialGiven);
        if (!given) {
            result.result = "serial number " + SerialText(job.serialGiven) + " not given: " + CauseText(given.Error());
            result.failure = FailureKey(given.Error().kind);
            return;
        }
    }

    // Numbers given before the download are the run's; otherwise a blank board takes the
    // number the file name begins with, as in the window.
    const board::Result<board::DownloadResult> download =
        board.Download(options.file, job.numbered ? std::nullopt : board::SerialFromFileText(options.file));
    if (log.Given()) {
        result.serialBefore = 0;
        result.serialGiven = log.Given();
    }
    if (!download) {
        result.result = CauseText(download.Error());
        result.failure = FailureKey(download.Error().kind);
        return;
    }
    const board::DownloadResult& done = *download;
    result.stopped = done.end == board::DownloadEnd::Stopped;
    if (done.info.serial)
        result.serialAfter = board::text::Serial(*done.info.serial);
    result.result = board::DownloadEndText(done.end);
    result.succeeded = done.end == board::DownloadEnd::Configured;
    if (done.failure) {
        result.result += " (" + CauseText(*done.failure) + ")";
        KeepFailure(result, FailureKey(done.failure->kind));
    }
    if (result.stopped) {
        result.result += " (stopped: the board holds a partial configuration)";
        KeepFailure(result, FailureKey(board::FailureKind::Stopped));
    }
    // The FPGA may be configured, yet the information block (a blank board's number, the
    // record) was not written as asked: a script must notice.
    if (done.blockFailure) {
        result.result += " (information block not written: " + CauseText(*done.blockFailure) + ")";
        result.succeeded = false;
        KeepFailure(result, FailureKey(done.blockFailure->kind));
    }
    if (const std::optional<std::string> line = board::DownloadChainLine(done))
        log.Line(*line);

    if (options.verify && done.EveryPageWritten()) {
        const board::Result<board::Comparison> readBack = board.ReadBack(options.file);
        if (!readBack) {
            result.verify = VerifyState::NotRead;
            KeepFailure(result, FailureKey(readBack.Error().kind));
        } else if (readBack->has_value()) {
            result.verify = VerifyState::Differs;
            KeepFailure(result, "verify-differs");
            result.firstDifference = (*readBack)->address;
        } else {
            result.verify = VerifyState::Matches;
        }
        result.succeeded = result.succeeded && result.verify == VerifyState::Matches;
    }
}

// Runs every job on a thread of its own; the calling thread draws the progress bars until
// the last one ends.
void RunJobs(std::vector<std::unique_ptr<DownloadJob>>& jobs, Session& session)
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
            RunJob(*raw, session.options, logLine);
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
    {
        std::array<uint8_t, 1> first{};
        std::string cause;
        if (!board::ReadRbfFile(options.file, first, &cause)) {
            ReportUsageError(console, board::text::FileName(options.file) + ": " + cause);
            return ExitBoardFailed;
        }
    }
    // The digest of the file as the run begins and as it ends: a file that changed between
    // them may have given the boards other bytes than the digest says.
    std::string cause;
    const std::optional<std::string> digest = FileSha256(options.file, &cause);
    if (!digest) {
        ReportUsageError(console, board::text::FileName(options.file) + ": " + cause);
        return ExitBoardFailed;
    }
    // A lab's own numbers for the blank boards, given in full.
    const bool fromList = !options.serialList.empty();

    // The first number for blank boards, when this run numbers them, and where it came from.
    std::optional<long> first;
    std::string given;
    if (options.serial) {
        first = *options.serial;
        given = "--serial " + std::to_string(*options.serial);
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
        // Several blank boards must not all take the number the file name begins with: the
        // numbers run on from it, as from --serial.
        if (!first && !fromList)
            if (const std::optional<uint16_t> fromName = board::SerialFromFileText(options.file); fromName && *fromName != 0) {
                first = *fromName;
                given = "blank boards numbered from " + std::to_string(*fromName) + " (the file name " +
                        board::text::FileName(options.file) + ")";
            }
        // The serial numbers are read only to number blank boards, so that a plain download
        // makes exactly the exchanges the window's download makes.
        std::vector<BoardIdentity> identities;
        if (first || fromList)
            identities = IdentifyBoards(boards);
        for (std::size_t i = 0; i < boards.size(); ++i) {
            serials.push_back(first || fromList ? identities[i].serial : std::nullopt);
            labels.push_back(BoardLabel(boards[i].node, serials.back()));
        }
    } else {
        int exitCode = ExitSuccess;
        std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
        if (!one)
            return exitCode;
        if ((options.serial || fromList) && !one->info)
            if (const board::Result<InfoBlock> read = one->board->ReadInfoBlock())
                one->info = *read;
        serials.push_back(one->info ? std::optional<uint16_t>(board::infoblock::Serial(*one->info)) : std::nullopt);
        labels.push_back(one->label);
        boards.push_back(one->attached);
    }

    std::vector<std::optional<uint16_t>> numbers(boards.size());
    if (first || fromList) {
        std::vector<BoardIdentity> identities;
        for (std::size_t i = 0; i < boards.size(); ++i)
            identities.push_back({boards[i].node, serials[i]});
        Numbering numbering = fromList ? boards::NumberBlankBoardsFromList(identities, options.serialList)
                                       : NumberBlankBoards(identities, *first, given);
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
        job->numbered = first.has_value() || fromList;
        jobs.push_back(std::move(job));
    }
    // The first Ctrl-C or SIGTERM stops each download after the page in flight.
    platform::StopScope stops;
    RunJobs(jobs, session);

    std::vector<BoardDownload> results;
    for (const auto& job : jobs)
        results.push_back(job->result);
    // A board read back against a file that changed under the run was compared with other
    // bytes than it was written with, or than the digest names: none of them counts.
    const std::optional<std::string> digestAfter = FileSha256(options.file);
    const bool fileChanged = digestAfter != digest;
    if (fileChanged) {
        for (BoardDownload& result : results) {
            result.succeeded = false;
            result.failure = "file-changed";
            result.result += " (" + board::text::FileName(options.file) + " changed during the download)";
        }
        ReportUsageError(console, board::text::FileName(options.file) +
                                      ": the file changed during the download: no board counts as downloaded");
    }
    if (options.json) {
        nlohmann::ordered_json json = DownloadJson(board::text::FileName(options.file), results);
        json["sha256"] = fileChanged ? nlohmann::ordered_json() : nlohmann::ordered_json(*digest);
        console.Out(json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
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
    if (std::any_of(results.begin(), results.end(), [](const BoardDownload& r) { return r.stopped; })) {
        ReportUsageError(console, StoppedHint);
        return ExitInterrupted;
    }
    const bool allSucceeded =
        std::all_of(results.begin(), results.end(), [](const BoardDownload& r) { return r.succeeded; });
    return allSucceeded ? ExitSuccess : ExitBoardFailed;
}

}  // namespace cli
