#include "cli/Core.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include "app/InfoBlock.h"
#include "app/LocalTime.h"
#include "app/MainWindowHost.h"
#include "boardtest/JtagTests.h"
#include "boardtest/PinState.h"
#include "boardtest/PinTables.h"
#include "download/Download.h"
#include "download/RbfFile.h"
#include "link/UdevRule.h"
#include "link/usbio.h"

namespace cli {

const unsigned ConfigAreaStart = ConfigAreaAddress;
const std::size_t ConfigAreaBytes = ::ConfigAreaSize;
const std::size_t ConfigFileLimit = MaxConfigFileBytes;

namespace {
// The board link is still one per process: one board operation at a time, each on a link
// set up afresh for its board.
std::mutex LinkMutex;
}  // namespace

// The window side of the core's operations, for one board: log lines and progress go to
// the board's events, a message box becomes the report's message.
class Board::Link final : public MainWindowHost {
public:
    explicit Link(Board& board) : m_board(board), m_lock(LinkMutex)
    {
        usbio::ResetBoardLink();
        usbio::SetBackend(&board.m_backend);
        usbio::SetMainWindow(this);
    }
    ~Link() override
    {
        usbio::CloseBoardHandles();
        usbio::ResetBoardLink();
        usbio::SetMainWindow(nullptr);
        usbio::SetBackend(nullptr);
    }

    bool UpdateData(bool) override { return true; }
    void SetProgressRange(int, int upper) override { m_upper = upper; }
    void SetProgressPos(int position) override { m_board.Progressed(position, m_upper); }
    void MessageBox(const std::string& text, const std::string&) override { m_message = text; }
    void LogLine(std::string text) override { m_board.Logged(text); }
    void LogTimestamped() override { m_board.Logged(FormatLocalTimeLine()); }
    void RegisterBoardNotification() override {}

    std::string m_message;

private:
    static std::string FormatLocalTimeLine();
    Board& m_board;
    std::lock_guard<std::mutex> m_lock;
    int m_upper = 0;
};

std::string Board::Link::FormatLocalTimeLine() { return FormatLocalTime("%m/%d/%Y %H:%M:%S"); }

Board::Board(HidBackend& backend, std::string node) : m_backend(backend), m_node(std::move(node)) {}

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
    Link link(*this);
    InfoBlock block{};
    const int failed0 = ::ReadFlashPage(0, block.data());
    const int failed1 = ::ReadFlashPage(FlashPageBytes, block.data() + FlashPageBytes);
    if (failed0 != 0 || failed1 != 0)
        return std::nullopt;
    return block;
}

bool Board::SetProgrammingMode(bool hold)
{
    Link link(*this);
    return ::SetProgrammingMode(hold ? 1 : 0) == 0;
}

bool Board::ReadFlashPage(unsigned address, FlashPage& page)
{
    Link link(*this);
    return ::ReadFlashPage(address, page.data()) == 0;
}

bool Board::WriteFlashPage(unsigned address, const FlashPage& page)
{
    Link link(*this);
    return ::WriteFlashPage(static_cast<int>(address), page.data()) == 0;
}

bool Board::JtagChainUsable()
{
    Link link(*this);
    return ::JtagChainUsable(link);
}

DownloadReport Board::Download(const std::string& fileText)
{
    Link link(*this);
    link.m_strFile = fileText;
    const std::size_t logStart = m_log.size();
    RunDownload(link);
    DownloadReport report;
    report.message = link.m_message;
    // Texts the download did not rebuild say nothing about the board.
    report.serialText = link.m_strSerial == UnknownText ? std::string() : link.m_strSerial;
    report.lastProgrammedText = link.m_strLastProgrammed;
    report.cyclesText = link.m_strCycles;
    // The download tells its verdict in its log only, until it returns one.
    report.verdict = DownloadVerdict::FileNotOpened;
    for (std::size_t i = logStart; i < m_log.size(); ++i) {
        const std::string& line = m_log[i];
        if (line.ends_with("FPGA configuration successful"))
            report.verdict = DownloadVerdict::Configured;
        else if (line.ends_with("FPGA configuration unsuccessful"))
            report.verdict = DownloadVerdict::ConfigurationFailed;
        else if (line.ends_with("Flash memory update unsuccessful"))
            report.verdict = DownloadVerdict::FlashUpdateFailed;
    }
    return report;
}

namespace {

// One command whose reply status tells whether the board carried it out.
bool CommandDone(uint8_t command, uint8_t address)
{
    usbio::SetCommand(command, 1, address);
    usbio::ReplyReport[usbio::StatusByte] = usbio::StatusPreset;
    usbio::MainWindow().ExchangeReports();
    return usbio::ReplyReport[usbio::StatusByte] == usbio::StatusSuccess;
}

}  // namespace

std::optional<PinCapture> Board::CapturePins()
{
    Link link(*this);
    PinCapture capture{};
    if (!boardtest::CapturePins(capture.data()))
        return std::nullopt;
    return capture;
}

bool Board::DrivePin(uint8_t cellGroup, PinLevel level)
{
    Link link(*this);
    const uint8_t command = level == PinLevel::High  ? usbio::DrivePinHigh
                            : level == PinLevel::Low ? usbio::DrivePinLow
                                                     : usbio::FloatPin;
    return CommandDone(command, cellGroup);
}

bool Board::DriveAll(bool high)
{
    Link link(*this);
    return CommandDone(high ? usbio::DriveAllHigh : usbio::DriveAllLow, 0);
}

bool Board::LeaveTestMode()
{
    Link link(*this);
    return CommandDone(usbio::LeaveTestMode, 0);
}

uint16_t SerialOf(const InfoBlock& block) { return infoblock::Serial(block); }
uint32_t CyclesOf(const InfoBlock& block) { return infoblock::Cycles(block); }
std::string FileNameOf(const InfoBlock& block) { return infoblock::FileName(block); }

std::string SerialTextOf(const InfoBlock& block)
{
    BoardTexts texts;
    ApplyAttachDisplay(block, texts);
    return texts.m_strSerial;
}

std::string LastProgrammedTextOf(const InfoBlock& block)
{
    BoardTexts texts;
    ApplyAttachDisplay(block, texts);
    return texts.m_strLastProgrammed;
}

int HeaderPinAt(int position) { return boardtest::HeaderPinTable.at(static_cast<std::size_t>(position)); }

std::optional<int> HeaderPositionOfPin(int pinNumber) { return boardtest::FindHeaderPosition(pinNumber); }

uint8_t CellGroupOfPin(int pinNumber)
{
    if (pinNumber < 0 || pinNumber > boardtest::FpgaPinCount)
        return 0;
    return boardtest::BoundaryCellTable[static_cast<std::size_t>(pinNumber)];
}

char PinStateAt(const PinCapture& capture, int position) { return boardtest::DecodePinState(capture, position); }

std::string CaptureListingOf(const PinCapture& capture) { return boardtest::CaptureListing(capture); }

std::optional<std::size_t> ReadConfigFile(const std::string& path, std::span<uint8_t> area)
{
    const std::optional<RbfFileContents> contents = ReadRbfFile(path, area.first(std::min(area.size(), MaxConfigFileBytes)));
    if (!contents)
        return std::nullopt;
    return contents->count;
}

std::string CommandName(uint8_t command)
{
    using namespace usbio;
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

std::string BoardUdevRule() { return std::string(usbio::BoardUdevRuleFile); }

bool IsMorvaneBoard(const HidInterfaceInfo& info)
{
    return info.vendorId == usbio::BoardVendorId && info.productId == usbio::BoardProductId;
}

}  // namespace cli
