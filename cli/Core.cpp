#include "cli/Core.h"

#include <cstdio>
#include <map>
#include <utility>

#include "board/Download.h"
#include "board/InfoBlock.h"
#include "board/JtagTests.h"
#include "board/LocalTime.h"
#include "board/RbfFile.h"
#include "link/BoardLink.h"
#include "link/Reporter.h"
#include "link/Reports.h"
#include "link/UdevRule.h"
#include "pins/PinState.h"
#include "pins/PinTables.h"

namespace cli {

const unsigned ConfigAreaStart = board::ConfigAreaAddress;
const std::size_t ConfigAreaBytes = board::ConfigAreaSize;
const std::size_t ConfigFileLimit = board::MaxConfigFileBytes;

// The board's link and where it reports: log lines and progress go to the board's events,
// a message box becomes the message of the operation.
class Board::Link final : public boardlink::Reporter {
public:
    Link(Board& board, HidBackend& backend) : m_board(board), m_link(backend, this) {}

    void LogLine(std::string text) override { m_board.Logged(text); }
    void LogTimestamped() override { m_board.Logged(board::FormatLocalTime(board::SystemTime, "%m/%d/%Y %H:%M:%S")); }
    void SetProgressRange(int, int upper) override { m_upper = upper; }
    void SetProgressPos(int position) override { m_board.Progressed(position, m_upper); }
    void MessageBox(const std::string& text, const std::string&) override { m_message = text; }

    boardlink::BoardLink& Get() { return m_link; }
    std::string TakeMessage() { return std::exchange(m_message, {}); }

private:
    Board& m_board;
    boardlink::BoardLink m_link;
    int m_upper = 0;
    std::string m_message;
};

Board::Board(HidBackend& backend, std::string node)
    : m_node(std::move(node)), m_link(std::make_unique<Link>(*this, backend))
{
}

Board::~Board() = default;

void Board::Logged(const std::string& line)
{
    m_log.push_back(line);
    if (m_events.logLine)
        m_events.logLine(line);
}

void Board::Progressed(int position, int upper)
{
    if (m_events.progress)
        m_events.progress(position, upper);
}

std::vector<std::string> Board::TakeLog() { return std::exchange(m_log, {}); }

std::optional<InfoBlock> Board::ReadInfoBlock()
{
    InfoBlock block{};
    // Both pages are read whatever the first gave, as the window reads them.
    const bool read0 = board::ReadFlashPage(m_link->Get(), 0, block.data());
    const bool read1 = board::ReadFlashPage(m_link->Get(), FlashPageBytes, block.data() + FlashPageBytes);
    if (!read0 || !read1)
        return std::nullopt;
    return block;
}

bool Board::SetProgrammingMode(bool hold) { return board::SetProgrammingMode(m_link->Get(), hold ? 1 : 0); }

bool Board::ReadFlashPage(unsigned address, FlashPage& page)
{
    return board::ReadFlashPage(m_link->Get(), address, page.data());
}

bool Board::WriteFlashPage(unsigned address, const FlashPage& page)
{
    return board::WriteFlashPage(m_link->Get(), static_cast<int>(address), page.data());
}

bool Board::JtagChainUsable() { return board::JtagChainUsable(m_link->Get()); }

DownloadReport Board::Download(const std::string& fileText)
{
    board::BoardTexts texts;
    texts.m_strFile = fileText;
    const board::DownloadOutcome outcome = board::RunDownload(m_link->Get(), texts);
    DownloadReport report;
    report.message = m_link->TakeMessage();
    // Texts the download did not rebuild say nothing about the board.
    report.serialText = texts.m_strSerial == board::UnknownText ? std::string() : texts.m_strSerial;
    report.lastProgrammedText = texts.m_strLastProgrammed;
    report.cyclesText = texts.m_strCycles;
    switch (outcome) {
    case board::DownloadOutcome::FileRefused: report.verdict = DownloadVerdict::FileRefused; break;
    case board::DownloadOutcome::FileNotOpened: report.verdict = DownloadVerdict::FileNotOpened; break;
    case board::DownloadOutcome::FlashUpdateFailed: report.verdict = DownloadVerdict::FlashUpdateFailed; break;
    case board::DownloadOutcome::ConfigurationFailed: report.verdict = DownloadVerdict::ConfigurationFailed; break;
    case board::DownloadOutcome::Configured: report.verdict = DownloadVerdict::Configured; break;
    }
    return report;
}

namespace {

// One command whose reply status tells whether the board carried it out.
bool CommandDone(boardlink::BoardLink& link, uint8_t command, uint8_t address)
{
    link.SetCommand(command, 1, address);
    link.ReplyReport()[boardlink::StatusByte] = boardlink::StatusPreset;
    link.ExchangeReports();
    return link.ReplyReport()[boardlink::StatusByte] == boardlink::StatusSuccess;
}

}  // namespace

std::optional<PinCapture> Board::CapturePins()
{
    pins::Capture capture{};
    if (!board::CapturePins(m_link->Get(), capture))
        return std::nullopt;
    return capture;
}

bool Board::DrivePin(uint8_t cellGroup, PinLevel level)
{
    const uint8_t command = level == PinLevel::High  ? boardlink::DrivePinHigh
                            : level == PinLevel::Low ? boardlink::DrivePinLow
                                                     : boardlink::FloatPin;
    return CommandDone(m_link->Get(), command, cellGroup);
}

bool Board::DriveAll(bool high)
{
    return CommandDone(m_link->Get(), high ? boardlink::DriveAllHigh : boardlink::DriveAllLow, 0);
}

bool Board::LeaveTestMode() { return CommandDone(m_link->Get(), boardlink::LeaveTestMode, 0); }

uint16_t SerialOf(const InfoBlock& block) { return board::infoblock::Serial(block); }
uint32_t CyclesOf(const InfoBlock& block) { return board::infoblock::Cycles(block); }
std::string FileNameOf(const InfoBlock& block) { return board::infoblock::FileName(block); }

std::string SerialTextOf(const InfoBlock& block)
{
    board::BoardTexts texts;
    board::ApplyAttachDisplay(block, texts);
    return texts.m_strSerial;
}

std::string LastProgrammedTextOf(const InfoBlock& block)
{
    board::BoardTexts texts;
    board::ApplyAttachDisplay(block, texts);
    return texts.m_strLastProgrammed;
}

int HeaderPinAt(int position) { return pins::HeaderPinTable.at(static_cast<std::size_t>(position)); }

std::optional<int> HeaderPositionOfPin(int pinNumber) { return board::FindHeaderPosition(pinNumber); }

uint8_t CellGroupOfPin(int pinNumber)
{
    if (pinNumber < 0 || pinNumber > pins::FpgaPinCount)
        return 0;
    return pins::BoundaryCellTable[static_cast<std::size_t>(pinNumber)];
}

char PinStateAt(const PinCapture& capture, int position) { return pins::DecodePinState(capture, position); }

std::string CaptureListingOf(const PinCapture& capture) { return board::CaptureListing(capture); }

std::optional<std::size_t> ReadConfigFile(const std::string& path, std::span<uint8_t> area)
{
    const auto contents = board::ReadRbfFile(path, area.first(std::min(area.size(), board::MaxConfigFileBytes)));
    if (!contents)
        return std::nullopt;
    return contents->count;
}

std::string CommandName(uint8_t command)
{
    using namespace boardlink;
    static const std::map<uint8_t, const char*> names = {
        {ReadMemory, "ReadMemory"},     {WriteMemory, "WriteMemory"},   {ProgramMode, "ProgramMode"},
        {ProgramPage, "ProgramPage"},   {JtagCheck, "JtagCheck"},       {JtagCapture, "JtagCapture"},
        {DrivePinHigh, "DrivePinHigh"}, {DrivePinLow, "DrivePinLow"},   {FloatPin, "FloatPin"},
        {DriveAllHigh, "DriveAllHigh"}, {DriveAllLow, "DriveAllLow"},   {LeaveTestMode, "LeaveTestMode"},
    };
    const auto found = names.find(command);
    if (found != names.end())
        return found->second;
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", command);
    return text;
}

std::string BoardUdevRule() { return std::string(boardlink::BoardUdevRuleFile); }

bool IsMorvaneBoard(const HidInterfaceInfo& info)
{
    return info.vendorId == boardlink::BoardVendorId && info.productId == boardlink::BoardProductId;
}

}  // namespace cli
