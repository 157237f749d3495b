#include "board/Download.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "board/InfoRecord.h"
#include "board/LeadingInt.h"
#include "board/RbfFile.h"
#include "link/BoardLink.h"

namespace board {
namespace {

using boardlink::BoardLink;

// The flash as the download sees it, indexed by flash address: the two information block
// pages, then the configuration area.
constexpr std::size_t FlashImageSize = InfoBlockSize + ConfigAreaSize;
using FlashImage = std::array<uint8_t, FlashImageSize>;

constexpr int Page0Address = 0x0000;
constexpr int Page1Address = 0x0080;

// The last byte of a UTF-8 character has no continuation byte after it.
bool IsUtf8Continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// What the download knows of the board's information block.
enum class BlockState {
    Known,     // the image's first 256 bytes are what the board holds
    NotRead,   // it did not arrive whole and is left alone; the boxes stay as they were
    Unknown,   // a write of it failed and it could not be read back
};

// Reads both pages, page 0 first; true when both arrived whole.
bool ReadInfoBlock(BoardLink& link, uint8_t* block)
{
    const bool page0Read = ReadFlashPage(link, Page0Address, block);
    const bool page1Read = ReadFlashPage(link, Page1Address, block + FlashPageSize);
    return page0Read && page1Read;
}

std::string BlockSummary(std::span<const uint8_t> block)
{
    BoardTexts texts;
    ApplyDownloadDisplay(block, texts);
    return texts.m_strSerial + ", " + texts.m_strCycles + " cycles, last programmed " + texts.m_strLastProgrammed;
}

// After an information block write that did not answer as it should: the page may or may
// not have been programmed, so the block is read back and the image takes what the board
// holds. One log line says what that is.
BlockState AfterFailedBlockWrite(BoardLink& link, FlashImage& image)
{
    InfoBlock readBack{};
    if (!ReadInfoBlock(link, readBack.data())) {
        link.Report().LogLine("  Board information block write failed and it could not be read back: "
                       "the board may hold its old or its new information block");
        return BlockState::Unknown;
    }
    std::copy(readBack.begin(), readBack.end(), image.begin());
    link.Report().LogLine("  Board information block write failed; read back, it holds " + BlockSummary(readBack));
    return BlockState::Known;
}

// A blank board takes the number the file text begins with. A text that begins with no
// number gives no serial number: page 0 stays as read, so the board stays blank and can be
// given its number by a later download.
BlockState GiveSerialNumber(BoardLink& link, FlashImage& image, const std::string& text)
{
    const std::optional<int> number = ParseLeadingInt(text);
    if (!number)
        return BlockState::Known;
    const auto serial = static_cast<uint16_t>(static_cast<unsigned>(*number) & 0xFFFF);
    StoreSerial(image, serial);
    if (!WriteFlashPage(link, Page0Address, image.data()))
        return AfterFailedBlockWrite(link, image);
    return BlockState::Known;
}

// Page 0 with the record, then page 1 as read; page 1 is not sent once page 0 failed.
BlockState WriteInfoBlock(BoardLink& link, FlashImage& image)
{
    if (!WriteFlashPage(link, Page0Address, image.data()) ||
        !WriteFlashPage(link, Page1Address, image.data() + FlashPageSize))
        return AfterFailedBlockWrite(link, image);
    return BlockState::Known;
}

// Why a file that was read cannot be a configuration for the board; nothing when it can.
std::optional<std::string> ConfigFileRefusal(const RbfFileContents& file)
{
    if (file.fileBytes == 0)
        return "The RBF file is empty: it holds no configuration to download";
    // Erased-flash padding past the area is what the flash holds there anyway.
    if (!file.onlyErasedPastBuffer)
        return "The RBF file is " + std::to_string(file.fileBytes) + " bytes long; the board's configuration area holds " +
               std::to_string(MaxConfigFileBytes) + " bytes";
    return std::nullopt;
}

void ShowDownloadDisplay(BlockState state, std::span<const uint8_t> block, BoardTexts& texts)
{
    switch (state) {
    case BlockState::Known: ApplyDownloadDisplay(block, texts); break;
    case BlockState::NotRead: break;
    case BlockState::Unknown:
        texts.m_strSerial = UnknownText;
        texts.m_strLastProgrammed = UnknownText;
        texts.m_strCycles = UnknownText;
        break;
    }
}

// Pages to flash address 0x0100 onwards, the bar following each page. Returns false at
// the first page the board did not program; later pages are not sent.
bool WriteConfigArea(BoardLink& link, const FlashImage& image)
{
    // The bound is the file limit, not the area's size: 256 pages, the last at 32640.
    for (int offset = 0; offset < static_cast<int>(MaxConfigFileBytes); offset += static_cast<int>(FlashPageSize)) {
        const bool programmed = WriteFlashPage(link, ConfigAreaAddress + offset, image.data() + InfoBlockSize + offset);
        link.Report().SetProgressPos(offset);
        // A stop asked for ends the download as a page that failed ends it.
        if (!programmed || link.Report().StopRequested())
            return false;
    }
    return true;
}

}  // namespace

std::size_t StoredFileNameLength(const std::string& name)
{
    std::size_t length = std::strlen(name.c_str());
    if (length <= infoblock::MaxFileNameLength)
        return length;
    length = infoblock::MaxFileNameLength;
    // A character cut at the limit is left out whole; a UTF-8 character is at most four
    // bytes, so at most three bytes are given back.
    for (int step = 0; step < 3 && length > 0 && IsUtf8Continuation(static_cast<uint8_t>(name[length])); ++step)
        --length;
    if (IsUtf8Continuation(static_cast<uint8_t>(name[length])))
        return infoblock::MaxFileNameLength;
    return length;
}

DownloadOutcome RunDownload(BoardLink& link, BoardTexts& texts, const Clock& clock)
{
    boardlink::Reporter& report = link.Report();

    // Bytes that neither the board nor the file fill are what erased flash holds.
    FlashImage image;
    image.fill(0xFF);
    // The file is read and judged before anything is sent, so that a file that cannot be a
    // configuration leaves the board exactly as it was.
    const std::optional<RbfFileContents> file =
        ReadRbfFile(texts.m_strFile, std::span(image).subspan(InfoBlockSize, MaxConfigFileBytes));
    if (file) {
        if (const std::optional<std::string> refusal = ConfigFileRefusal(*file)) {
            report.MessageBox(*refusal, "Open Error");
            return DownloadOutcome::FileRefused;
        }
    }

    SetProgrammingMode(link, 1);
    // An information block that did not arrive whole holds stale reply bytes: writing it
    // back would overwrite the board's serial number and its page 1, so it is left alone.
    BlockState block = ReadInfoBlock(link, image.data()) ? BlockState::Known : BlockState::NotRead;
    if (block == BlockState::NotRead)
        report.LogLine("  Board information block not read: it is left as it is");
    else if (infoblock::Serial(image) == 0)
        block = GiveSerialNumber(link, image, texts.m_strFile);

    // A text that names no file still gives a blank board the number it begins with.
    if (!file) {
        report.MessageBox("Uable to open RBF file", "Open Error");
        return DownloadOutcome::FileNotOpened;
    }
    report.LogLine("  Read " + std::to_string(file->count) + " bytes from RBF file");

    report.SetProgressRange(0, static_cast<int>(MaxConfigFileBytes));
    DownloadOutcome outcome = DownloadOutcome::FlashUpdateFailed;
    if (WriteConfigArea(link, image)) {
        if (block == BlockState::Known) {
            RecordProgramming(image, texts.m_strFile, clock);
            block = WriteInfoBlock(link, image);
        }
        const bool released = SetProgrammingMode(link, 0);
        outcome = released ? DownloadOutcome::Configured : DownloadOutcome::ConfigurationFailed;
        report.LogLine(FormatLocalTime(clock, LogTimePrefix) +
                       (released ? "FPGA configuration successful" : "FPGA configuration unsuccessful"));
    } else {
        report.LogLine(FormatLocalTime(clock, LogTimePrefix) + std::string("Flash memory update unsuccessful"));
    }

    ShowDownloadDisplay(block, std::span(image).first(InfoBlockSize), texts);
    // A board that did not answer the check has not said that its chain is off.
    switch (CheckJtagChain(link)) {
    case ChainCheck::Usable: break;
    case ChainCheck::NotUsable: report.LogLine("JTAG boundary scan chain not enabled .... board tests will not work!"); break;
    case ChainCheck::NoAnswer: report.LogLine("JTAG boundary scan chain not checked: the board did not answer"); break;
    }
    return outcome;
}

}  // namespace board
