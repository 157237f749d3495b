#include "board/InfoRecord.h"

#include <cstring>

#include "board/Download.h"
#include "board/InfoBlock.h"

namespace board {

void StoreSerial(std::span<uint8_t> block, uint16_t serial)
{
    block[infoblock::SerialOffset] = static_cast<uint8_t>(serial & 0xFF);
    block[infoblock::SerialOffset + 1] = static_cast<uint8_t>(serial >> 8);
}

void StoreCycles(std::span<uint8_t> block, uint32_t cycles)
{
    for (std::size_t i = 0; i < 4; ++i)
        block[infoblock::CyclesOffset + i] = static_cast<uint8_t>(cycles >> (8 * i));
}

void RecordProgramming(std::span<uint8_t> block, const std::string& fileName, const Clock& clock)
{
    using namespace infoblock;
    const std::tm now = LocalNow(clock);
    block[MonthOffset] = static_cast<uint8_t>(now.tm_mon + 1);
    block[DayOffset] = static_cast<uint8_t>(now.tm_mday);
    // Years outside 2000..2255 wrap modulo 256.
    block[YearOffset] = static_cast<uint8_t>(now.tm_year + 1900 - 2000);
    block[HourOffset] = static_cast<uint8_t>(now.tm_hour);
    block[MinuteOffset] = static_cast<uint8_t>(now.tm_min);
    block[SecondOffset] = static_cast<uint8_t>(now.tm_sec);
    StoreCycles(block, Cycles(block) + 1u);
    // Bytes after the terminating zero keep what the board held.
    const std::size_t length = StoredFileNameLength(fileName);
    std::memcpy(block.data() + FileNameOffset, fileName.data(), length);
    block[FileNameOffset + length] = 0;
}

}  // namespace board
