#include "board/InfoBlock.h"

#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/BoardLink.h"

namespace board {
namespace infoblock {

uint16_t Serial(std::span<const uint8_t> block)
{
    return static_cast<uint16_t>(block[SerialOffset] | (block[SerialOffset + 1] << 8));
}

uint32_t Cycles(std::span<const uint8_t> block)
{
    uint32_t cycles = 0;
    for (std::size_t i = 0; i < 4; ++i)
        cycles |= static_cast<uint32_t>(block[CyclesOffset + i]) << (8 * i);
    return cycles;
}

std::string FileName(std::span<const uint8_t> block)
{
    const auto* name = block.data() + FileNameOffset;
    const auto* end = std::find(name, name + MaxFileNameLength, uint8_t{0});
    const std::string stored(name, end);
    // Tarvik stores UTF-8. A name that is not well-formed UTF-8 was stored by another tool in
    // a single-byte code page: shown byte for byte as Latin-1 it stays readable, where UTF-8
    // would turn each such byte into a replacement sign.
    const QByteArrayView bytes(stored.data(), static_cast<qsizetype>(stored.size()));
    // Stateless: a character cut at the end is an error; ConvertInitialBom: a leading byte
    // order mark is part of the name, not dropped.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8(bytes);
    return (utf8.hasError() ? QString::fromLatin1(bytes) : text).toStdString();
}

}  // namespace infoblock

namespace {

using namespace boardlink;

struct ReadStep {
    uint8_t length;
    unsigned offset;
};
constexpr ReadStep PageReadSteps[] = {{56, 0}, {56, 56}, {16, 112}};

std::string SerialText(std::span<const uint8_t> block)
{
    char text[16];
    std::snprintf(text, sizeof text, "TRK_%05d", static_cast<int>(infoblock::Serial(block)));
    return text;
}

std::string DateText(std::span<const uint8_t> block)
{
    using namespace infoblock;
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d at %02d:%02d:%02d", block[MonthOffset], block[DayOffset],
                  block[YearOffset] + 2000, block[HourOffset], block[MinuteOffset], block[SecondOffset]);
    return text;
}

std::string UnsignedCyclesText(std::span<const uint8_t> block)
{
    return std::to_string(infoblock::Cycles(block));
}

}  // namespace

bool SetProgrammingMode(BoardLink& link, int mode)
{
    link.SetCommand(ProgramMode, 8, static_cast<uint16_t>(mode & 0xFF));
    return link.Exchange(StatusSuccess) == ExchangeEnd::Expected;
}

bool ReadFlashPage(BoardLink& link, unsigned address, uint8_t* buffer)
{
    bool answered = true;
    for (const ReadStep& step : PageReadSteps) {
        link.SetCommand(ReadMemory, step.length, static_cast<uint16_t>((address + step.offset) & 0xFFFF));
        // The exchange's preset tells a read that got no reply from one the board answered,
        // so that stale reply data is never taken for the page.
        const bool read = link.Exchange(StatusRead) == ExchangeEnd::Expected;
        std::memcpy(buffer + step.offset, link.ReplyReport().data() + DataByte, step.length);
        if (!read)
            answered = false;
    }
    return answered;
}

bool WriteFlashPage(BoardLink& link, int address, const uint8_t* page)
{
    // A page buffer write that failed leaves stale bytes in the buffer, and ProgramPage
    // would put them into the flash: the page stops at the first exchange that failed.
    ReportBuffer& command = link.CommandReport();
    link.SetCommand(WriteMemory, 56, PageBufferAddress);
    std::memcpy(command.data() + DataByte, page, 56);
    if (link.Exchange(StatusSuccess) != ExchangeEnd::Expected)
        return false;

    link.SetCommand(WriteMemory, 56, PageBufferAddress + 56);
    std::memcpy(command.data() + DataByte, page + 56, 56);
    if (link.Exchange(StatusSuccess) != ExchangeEnd::Expected)
        return false;

    link.SetCommand(ProgramPage, 18, ProgramPageAddress);
    command[DataByte] = static_cast<uint8_t>(address & 0xFF);
    command[DataByte + 1] = static_cast<uint8_t>((address >> 8) & 0xFF);
    std::memcpy(command.data() + DataByte + 2, page + 112, 16);
    return link.Exchange(StatusSuccess) == ExchangeEnd::Expected;
}

ChainCheck CheckJtagChain(BoardLink& link)
{
    link.SetCommand(JtagCheck, 1, 0);
    switch (link.Exchange(StatusSuccess)) {
    case ExchangeEnd::Expected: return ChainCheck::Usable;
    case ExchangeEnd::OtherStatus: return ChainCheck::NotUsable;
    default: return ChainCheck::NoAnswer;
    }
}

void ApplyOpeningDisplay(const InfoBlock& block, uint8_t lastReadStatus, BoardTexts& texts)
{
    texts.m_strFile = infoblock::FileName(block);
    texts.m_strSerial = SerialText(block);
    texts.m_strLastProgrammed = DateText(block);
    if (lastReadStatus == StatusRead) {
        texts.m_strCycles = std::to_string(static_cast<int32_t>(infoblock::Cycles(block)));
    } else {
        texts.m_strCycles = UnknownText;
        texts.m_strLastProgrammed = UnknownText;
    }
}

void ApplyAttachDisplay(const InfoBlock& block, BoardTexts& texts)
{
    texts.m_strSerial = SerialText(block);
    texts.m_strLastProgrammed = DateText(block);
    texts.m_strCycles = UnsignedCyclesText(block);
    texts.m_strFile = infoblock::FileName(block);
}

void ApplyDownloadDisplay(std::span<const uint8_t> block, BoardTexts& texts)
{
    texts.m_strSerial = SerialText(block);
    texts.m_strLastProgrammed = DateText(block);
    texts.m_strCycles = UnsignedCyclesText(block);
}

}  // namespace board
