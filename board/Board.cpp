#include "board/Board.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "board/Download.h"
#include "board/InfoRecord.h"
#include "board/RbfFile.h"
#include "link/BoardLink.h"
#include "link/BoardNotification.h"
#include "link/Reports.h"
#include "platform/Platform.h"
#include "pins/PinTables.h"

namespace board {

using namespace boardlink;

namespace {

// After this many lost replies in one operation the board is taken as silent: the
// operation's remaining exchanges fail at once instead of each waiting out the time limit.
constexpr int LostRepliesPerOperation = 2;

constexpr unsigned Page0Address = 0x0000;
constexpr unsigned Page1Address = 0x0080;
constexpr uint16_t CaptureAddress = 0xFF80;
constexpr uint8_t CaptureReadLength = 40;

struct ReadStep {
    uint8_t length;
    unsigned offset;
};
constexpr ReadStep PageReadSteps[] = {{56, 0}, {56, 56}, {16, 112}};

// The flash as the download sees it, indexed by flash address: the two information block
// pages, then the configuration area.
constexpr std::size_t FlashImageSize = InfoBlockSize + ConfigAreaSize;
using FlashImage = std::array<uint8_t, FlashImageSize>;

// A NoReply-like failure of a command that was not sent because the board is silent.
Failure Lost(uint8_t command) { return Failure{FailureKind::NoReply, command, 0, {}, {}, {}, {}, 0}; }

Failure FileFailure(std::string cause, FileProblem problem = FileProblem::CannotOpen, uint64_t bytes = 0)
{
    return Failure{FailureKind::FileRefused, 0, 0, {}, std::move(cause), {}, problem, bytes};
}

std::optional<Failure> ConfigFileRefusal(const RbfFileContents& file)
{
    if (file.fileBytes == 0)
        return FileFailure("the file is empty: it holds no configuration", FileProblem::Empty);
    // Erased-flash padding past the area is what the flash holds there anyway.
    if (!file.onlyErasedPastBuffer)
        return FileFailure("the file is " + std::to_string(file.fileBytes) +
                               " bytes long; the board's configuration area holds " +
                               std::to_string(MaxConfigFileBytes) + " bytes",
                           FileProblem::TooLong, file.fileBytes);
    return std::nullopt;
}

}  // namespace

BoardInfo InfoOf(const InfoBlock& block)
{
    using namespace infoblock;
    BoardInfo info;
    info.serial = Serial(block);
    info.lastProgrammed = ProgrammingDate{block[MonthOffset],     block[DayOffset],    block[YearOffset] + 2000,
                                          block[HourOffset],      block[MinuteOffset], block[SecondOffset]};
    info.cycles = Cycles(block);
    const auto* name = block.data() + FileNameOffset;
    info.fileName = std::string(name, std::find(name, name + MaxFileNameLength, uint8_t{0}));
    return info;
}

class Board::Impl {
public:
    Impl(HidBackend& backend, Clock readClock) : link(backend), clock(std::move(readClock)) {}

    // A new operation: the silent-board count starts again, unless it is part of an action.
    void Begin()
    {
        if (actions == 0)
            lostReplies = 0;
    }

    // One exchange of the command already in the command report; nothing when the reply
    // carried expected.
    std::optional<Failure> Send(uint8_t expected)
    {
        const uint8_t command = link.CommandReport()[CommandByte];
        if (lostReplies >= LostRepliesPerOperation)
            return Lost(command);
        switch (link.Exchange(expected)) {
        case ExchangeEnd::Expected: return std::nullopt;
        case ExchangeEnd::OtherStatus: return Failure{FailureKind::NotDone, command, link.ReplyStatus(), {}, {}, {}, {}, 0};
        case ExchangeEnd::NoBoard: return Failure{FailureKind::NoBoard, command, 0, {}, {}, {}, {}, 0};
        case ExchangeEnd::CannotOpen: {
            const OpenFailure& open = link.LastOpenFailure();
            return Failure{FailureKind::CannotOpen, command, 0, open.node, open.cause,
                           platform::BoardAccessFix().brief,
                           {}, 0};
        }
        case ExchangeEnd::NoReply: ++lostReplies; return Lost(command);
        }
        return Lost(command);
    }

    std::optional<Failure> Command(uint8_t command, uint8_t length, uint16_t address, uint8_t expected)
    {
        link.SetCommand(command, length, address);
        return Send(expected);
    }

    // Three reads of 56, 56 and 16 bytes, all three whatever one gave; the first failure.
    std::optional<Failure> ReadPage(unsigned address, uint8_t* page)
    {
        std::optional<Failure> first;
        for (const ReadStep& step : PageReadSteps) {
            std::optional<Failure> failed =
                Command(ReadMemory, step.length, static_cast<uint16_t>((address + step.offset) & 0xFFFF), StatusRead);
            if (!failed)
                std::memcpy(page + step.offset, link.ReplyReport().data() + DataByte, step.length);
            else if (!first)
                first = std::move(failed);
        }
        return first;
    }

    // Two writes into the page buffer and one ProgramPage; a page buffer write that failed
    // leaves stale bytes in the buffer, so the page stops at the first exchange that failed.
    std::optional<Failure> WritePage(unsigned address, const uint8_t* page)
    {
        ReportBuffer& command = link.CommandReport();
        link.SetCommand(WriteMemory, 56, PageBufferAddress);
        std::memcpy(command.data() + DataByte, page, 56);
        if (auto failed = Send(StatusSuccess))
            return failed;
        link.SetCommand(WriteMemory, 56, PageBufferAddress + 56);
        std::memcpy(command.data() + DataByte, page + 56, 56);
        if (auto failed = Send(StatusSuccess))
            return failed;
        link.SetCommand(ProgramPage, 18, ProgramPageAddress);
        command[DataByte] = static_cast<uint8_t>(address & 0xFF);
        command[DataByte + 1] = static_cast<uint8_t>((address >> 8) & 0xFF);
        std::memcpy(command.data() + DataByte + 2, page + 112, 16);
        return Send(StatusSuccess);
    }

    // Both pages, page 0 first.
    std::optional<Failure> ReadBlock(uint8_t* block)
    {
        std::optional<Failure> page0 = ReadPage(Page0Address, block);
        std::optional<Failure> page1 = ReadPage(Page1Address, block + FlashPageSize);
        return page0 ? page0 : page1;
    }

    std::optional<Failure> ProgrammingMode(bool hold) { return Command(ProgramMode, 8, hold ? 1 : 0, StatusSuccess); }

    // After an information block write that failed: read back what the board holds.
    BlockEnd AfterFailedBlockWrite(std::span<uint8_t> block, BoardInfo& info)
    {
        InfoBlock readBack{};
        if (ReadBlock(readBack.data())) {
            observer->BlockWriteFailed(std::nullopt);
            return BlockEnd::Unknown;
        }
        std::copy(readBack.begin(), readBack.end(), block.begin());
        info = InfoOf(readBack);
        observer->BlockWriteFailed(info);
        return BlockEnd::ReadBack;
    }

    BoardLink link;
    Clock clock;
    BoardObserver silent;
    BoardObserver* observer = &silent;
    int lostReplies = 0;
    // Actions open (Board::Action).
    int actions = 0;
};

Board::Board(HidBackend& backend, const Clock& clock) : m_impl(std::make_unique<Impl>(backend, clock)) {}

Board::~Board() = default;

void Board::SetObserver(BoardObserver* observer) { m_impl->observer = observer != nullptr ? observer : &m_impl->silent; }

void Board::SetReporter(boardlink::Reporter* reporter) { m_impl->link.SetReporter(reporter); }

void Board::SetBoardFoundHandler(std::function<void()> handler) { m_impl->link.SetBoardFoundHandler(std::move(handler)); }

void Board::SetPlace(std::string node) { m_impl->link.SetPlace(std::move(node)); }

const std::string& Board::Node() const { return m_impl->link.BoardDevicePath(); }

bool Board::Found() const { return m_impl->link.DeviceFound(); }

bool Board::IsBoardNotification(const boardlink::DeviceNotification& notification) const
{
    return boardlink::IsBoardNotification(notification, m_impl->link);
}

void Board::ForgetBoard() { m_impl->link.ForgetBoard(); }

Result<InfoBlock> Board::ReadInfoBlock()
{
    m_impl->Begin();
    InfoBlock block{};
    if (auto failed = m_impl->ReadBlock(block.data()))
        return *failed;
    return block;
}

InfoRead Board::ReadInfo()
{
    Impl& impl = *m_impl;
    impl.Begin();
    InfoRead result;
    InfoBlock block{};
    // Per read, page 0's three then page 1's: whether a reply came, and whether as a read.
    std::array<bool, 6> replied{};
    std::array<bool, 6> read{};
    std::size_t step = 0;
    for (const unsigned page : {Page0Address, Page1Address}) {
        for (const ReadStep& piece : PageReadSteps) {
            std::optional<Failure> failed =
                impl.Command(ReadMemory, piece.length, static_cast<uint16_t>((page + piece.offset) & 0xFFFF), StatusRead);
            read[step] = !failed;
            replied[step] = !failed || failed->kind == FailureKind::NotDone;
            if (replied[step])
                std::memcpy(block.data() + page + piece.offset, impl.link.ReplyReport().data() + DataByte, piece.length);
            if (failed && !result.failure)
                result.failure = std::move(failed);
            ++step;
        }
    }
    const BoardInfo all = InfoOf(block);
    // Serial number, date and cycles lie in page 0's first read; the name begins there and
    // runs into the second read unless it ends within the first.
    const auto* nameStart = block.data() + infoblock::FileNameOffset;
    const auto* firstEnd = block.data() + PageReadSteps[1].offset;
    const bool nameInFirst = std::find(nameStart, firstEnd, uint8_t{0}) != firstEnd;
    auto fields = [&](const std::array<bool, 6>& came) {
        BoardInfo info;
        if (came[0]) {
            info.serial = all.serial;
            info.lastProgrammed = all.lastProgrammed;
            info.cycles = all.cycles;
            if (nameInFirst || came[1])
                info.fileName = all.fileName;
        }
        return info;
    };
    result.answered = fields(replied);
    result.read = fields(read);
    return result;
}

Board::Action::Action(Board& board) : m_board(board)
{
    if (m_board.m_impl->actions++ == 0)
        m_board.m_impl->lostReplies = 0;
}

Board::Action::~Action() { --m_board.m_impl->actions; }

Result<Done> Board::SetProgrammingMode(bool hold)
{
    m_impl->Begin();
    if (auto failed = m_impl->ProgrammingMode(hold))
        return *failed;
    return Done{};
}

Result<Done> Board::ReadFlashPage(unsigned address, std::span<uint8_t, FlashPageSize> page)
{
    m_impl->Begin();
    std::array<uint8_t, FlashPageSize> read{};
    if (auto failed = m_impl->ReadPage(address, read.data()))
        return *failed;
    std::copy(read.begin(), read.end(), page.begin());
    return Done{};
}

Result<Done> Board::WritePage(unsigned address, std::span<const uint8_t, FlashPageSize> page)
{
    m_impl->Begin();
    if (auto failed = m_impl->WritePage(address, page.data()))
        return *failed;
    return Done{};
}

Result<BoardInfo> Board::GiveSerialNumber(uint16_t serial)
{
    m_impl->Begin();
    if (auto failed = m_impl->ProgrammingMode(true))
        return *failed;
    InfoBlock block{};
    if (auto failed = m_impl->ReadBlock(block.data()))
        return *failed;
    StoreSerial(block, serial);
    if (auto failed = m_impl->WritePage(Page0Address, block.data())) {
        BoardInfo info;
        m_impl->AfterFailedBlockWrite(block, info);
        m_impl->ProgrammingMode(false);
        return *failed;
    }
    m_impl->observer->SerialGiven(serial);
    m_impl->ProgrammingMode(false);
    return InfoOf(block);
}

Result<DownloadResult> Board::Download(const std::string& path, std::optional<uint16_t> serial)
{
    Impl& impl = *m_impl;
    impl.Begin();
    BoardObserver& observer = *impl.observer;

    // Bytes that neither the board nor the file fill are what erased flash holds.
    FlashImage image;
    image.fill(0xFF);
    const std::span<uint8_t> block = std::span(image).first(InfoBlockSize);
    // The file is read and judged before anything is sent, so that a file that cannot be a
    // configuration leaves the board exactly as it was.
    std::string cause;
    const std::optional<RbfFileContents> file =
        ReadRbfFile(path, std::span(image).subspan(InfoBlockSize, MaxConfigFileBytes), &cause);
    if (file) {
        if (std::optional<Failure> refusal = ConfigFileRefusal(*file))
            return std::move(*refusal);
    }

    DownloadResult result;
    impl.ProgrammingMode(true);
    // An information block that did not arrive whole holds stale reply bytes: writing it
    // back would overwrite the board's serial number and its page 1, so it is left alone.
    result.block = impl.ReadBlock(block.data()) ? BlockEnd::NotRead : BlockEnd::Written;
    if (result.block == BlockEnd::NotRead) {
        observer.BlockNotRead();
    } else {
        // A blank board takes the number given; without one it stays blank, to be numbered
        // by a later download.
        if (infoblock::Serial(block) == 0 && serial) {
            StoreSerial(block, *serial);
            if (std::optional<Failure> failed = impl.WritePage(Page0Address, block.data())) {
                result.blockFailure = std::move(failed);
                result.block = impl.AfterFailedBlockWrite(block, result.info);
            } else {
                observer.SerialGiven(*serial);
            }
        }
    }
    // A file that cannot be opened still gives a blank board its number.
    if (!file)
        return FileFailure(cause);
    result.fileBytes = file->count;
    observer.FileRead(file->count);

    result.end = DownloadEnd::Configured;
    // The bound is the file limit, not the area's size: 256 pages, the last at 32640.
    for (std::size_t offset = 0; offset < MaxConfigFileBytes; offset += FlashPageSize) {
        std::optional<Failure> failed =
            impl.WritePage(static_cast<unsigned>(ConfigAreaAddress + offset), image.data() + InfoBlockSize + offset);
        observer.Progress(offset, MaxConfigFileBytes);
        if (failed) {
            result.end = DownloadEnd::FlashUpdateFailed;
            result.failure = std::move(failed);
            break;
        }
        if (offset + FlashPageSize < MaxConfigFileBytes && observer.StopRequested()) {
            result.end = DownloadEnd::Stopped;
            break;
        }
    }

    if (result.end == DownloadEnd::Configured) {
        if (result.block == BlockEnd::Written || result.block == BlockEnd::ReadBack) {
            RecordProgramming(block, path, impl.clock);
            std::optional<Failure> failed = impl.WritePage(Page0Address, block.data());
            if (!failed)
                failed = impl.WritePage(Page1Address, block.data() + FlashPageSize);
            if (failed) {
                result.blockFailure = std::move(failed);
                result.block = impl.AfterFailedBlockWrite(block, result.info);
            } else {
                result.block = BlockEnd::Written;
            }
        }
        result.failure = impl.ProgrammingMode(false);
        result.end = result.failure ? DownloadEnd::ConfigurationFailed : DownloadEnd::Configured;
    }
    // A stopped download ends as a failed one: the board stays held with a partial
    // configuration until the next download.
    observer.FlashEnded(result.end);

    if (result.block != BlockEnd::NotRead && result.block != BlockEnd::Unknown) {
        InfoBlock known{};
        std::copy(block.begin(), block.end(), known.begin());
        result.info = InfoOf(known);
    }
    if (auto failed = impl.Command(JtagCheck, 1, 0, StatusSuccess)) {
        if (failed->kind == FailureKind::NotDone)
            failed->kind = FailureKind::ChainNotUsable;
        result.chain = std::move(*failed);
    }
    return result;
}

Result<Comparison> Board::ReadBack(const std::string& path)
{
    Impl& impl = *m_impl;
    impl.Begin();
    // The area as the download writes it: the file's bytes, erased flash after them.
    std::array<uint8_t, ConfigAreaSize> area;
    area.fill(0xFF);
    std::string cause;
    const std::optional<RbfFileContents> file =
        ReadRbfFile(path, std::span(area).first(MaxConfigFileBytes), &cause);
    if (!file)
        return FileFailure(cause);
    std::array<uint8_t, FlashPageSize> page{};
    for (std::size_t offset = 0; offset < ConfigAreaSize; offset += FlashPageSize) {
        if (auto failed = impl.ReadPage(static_cast<unsigned>(ConfigAreaAddress + offset), page.data()))
            return *failed;
        const std::size_t count = FlashPageSize;
        for (std::size_t i = 0; i < count; ++i) {
            if (page[i] != area[offset + i])
                return Comparison{Mismatch{static_cast<unsigned>(ConfigAreaAddress + offset + i), area[offset + i], page[i]}};
        }
        impl.observer->Progress(offset + count, ConfigAreaSize);
    }
    return Comparison{};
}

Result<std::vector<uint8_t>> Board::ReadConfiguration()
{
    Impl& impl = *m_impl;
    impl.Begin();
    std::vector<uint8_t> area(ConfigAreaSize);
    for (std::size_t offset = 0; offset < ConfigAreaSize; offset += FlashPageSize) {
        if (auto failed = impl.ReadPage(static_cast<unsigned>(ConfigAreaAddress + offset), area.data() + offset))
            return *failed;
        impl.observer->Progress(offset + FlashPageSize, ConfigAreaSize);
        if (offset + FlashPageSize < ConfigAreaSize && impl.observer->StopRequested())
            return Failure{FailureKind::Stopped, 0, 0, {}, {}, {}, {}, 0};
    }
    const auto last = std::find_if(area.rbegin(), area.rend(), [](uint8_t byte) { return byte != 0xFF; });
    area.erase(last.base(), area.end());
    return area;
}

Result<pins::Capture> Board::CapturePins()
{
    Impl& impl = *m_impl;
    impl.Begin();
    if (auto failed = impl.Command(JtagCapture, 1, 0, StatusSuccess)) {
        if (failed->kind == FailureKind::NotDone)
            failed->kind = FailureKind::Refused;
        return *failed;
    }
    // Both halves must arrive before the capture counts: half a capture, or stale reply
    // bytes, would be shown as the pins' states.
    pins::Capture received{};
    for (uint16_t offset : {uint16_t{0}, uint16_t{CaptureReadLength}}) {
        if (auto failed = impl.Command(ReadMemory, CaptureReadLength, static_cast<uint16_t>(CaptureAddress + offset), StatusRead))
            return *failed;
        std::memcpy(received.data() + offset, impl.link.ReplyReport().data() + DataByte, CaptureReadLength);
    }
    return received;
}

Result<Done> Board::DrivePin(int pinNumber, PinLevel level)
{
    m_impl->Begin();
    const uint8_t command = level == PinLevel::Low ? DrivePinLow : level == PinLevel::HiZ ? FloatPin : DrivePinHigh;
    const uint8_t cellGroup = pinNumber >= 0 && pinNumber <= pins::FpgaPinCount
                                  ? pins::BoundaryCellTable[static_cast<std::size_t>(pinNumber)]
                                  : uint8_t{0};
    if (auto failed = m_impl->Command(command, 1, cellGroup, StatusSuccess))
        return *failed;
    return Done{};
}

Result<Done> Board::DriveAll(bool high)
{
    m_impl->Begin();
    if (auto failed = m_impl->Command(high ? DriveAllHigh : DriveAllLow, 1, 0, StatusSuccess))
        return *failed;
    return Done{};
}

Result<Done> Board::LeaveTestMode()
{
    m_impl->Begin();
    if (auto failed = m_impl->Command(boardlink::LeaveTestMode, 1, 0, StatusSuccess))
        return *failed;
    return Done{};
}

Result<Done> Board::CheckChain()
{
    m_impl->Begin();
    if (auto failed = m_impl->Command(JtagCheck, 1, 0, StatusSuccess)) {
        if (failed->kind == FailureKind::NotDone)
            failed->kind = FailureKind::ChainNotUsable;
        return *failed;
    }
    return Done{};
}

}  // namespace board
