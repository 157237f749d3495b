#include "board/DownloadLog.h"

#include "board/BoardText.h"
#include "board/Download.h"

namespace board {
namespace {

// "TRK_00042, 7 cycles, last programmed 11/28/2026 at 09:30:05": a block read back whole.
std::string Summary(const BoardInfo& info)
{
    constexpr const char* Unknown = "<unknown>";
    return (info.serial ? text::Serial(*info.serial) : std::string(Unknown)) + ", " +
           (info.cycles ? std::to_string(*info.cycles) : std::string(Unknown)) + " cycles, last programmed " +
           (info.lastProgrammed ? text::Date(*info.lastProgrammed) : std::string(Unknown));
}

}  // namespace

std::string DownloadEndText(DownloadEnd end)
{
    switch (end) {
    case DownloadEnd::Configured: return "FPGA configuration successful";
    case DownloadEnd::ConfigurationFailed: return "FPGA configuration unsuccessful";
    case DownloadEnd::FlashUpdateFailed:
    case DownloadEnd::Stopped: break;
    }
    return "Flash memory update unsuccessful";
}

std::optional<std::string> DownloadChainLine(const DownloadResult& result)
{
    if (!result.chain)
        return std::nullopt;
    // A board that did not answer has not said that its chain is off.
    if (result.chain->kind == FailureKind::NoReply)
        return "JTAG boundary scan chain not checked: the board did not answer";
    return "JTAG boundary scan chain not enabled .... board tests will not work!";
}

void DownloadLog::FileRead(std::size_t bytes)
{
    Line("  Read " + std::to_string(bytes) + " bytes from RBF file");
    BarStarts(MaxConfigFileBytes);
}

void DownloadLog::BlockNotRead() { Line("  Board information block not read: it is left as it is"); }

void DownloadLog::BlockWriteFailed(const std::optional<BoardInfo>& readBack)
{
    if (readBack)
        Line("  Board information block write failed; read back, it holds " + Summary(*readBack));
    else
        Line("  Board information block write failed and it could not be read back: "
             "the board may hold its old or its new information block");
}

void DownloadLog::FlashEnded(DownloadEnd end) { Line(FormatLocalTime(m_clock, LogTimePrefix) + DownloadEndText(end)); }

}  // namespace board
