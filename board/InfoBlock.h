#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace board {

// The board's information block: the first 256 bytes of its flash, two pages of 128 bytes.
// Page 0 holds the serial number, the date and time of the last programming, the
// programming cycles and the last file name; page 1 is the board's own and kept as read.
inline constexpr std::size_t FlashPageSize = 128;
inline constexpr std::size_t InfoBlockSize = 2 * FlashPageSize;
using InfoBlock = std::array<uint8_t, InfoBlockSize>;

namespace infoblock {
inline constexpr std::size_t SerialOffset = 0;
inline constexpr std::size_t MonthOffset = 2;
inline constexpr std::size_t DayOffset = 3;
inline constexpr std::size_t YearOffset = 4;
inline constexpr std::size_t HourOffset = 5;
inline constexpr std::size_t MinuteOffset = 6;
inline constexpr std::size_t SecondOffset = 7;
inline constexpr std::size_t CyclesOffset = 8;
inline constexpr std::size_t FileNameOffset = 12;
inline constexpr std::size_t MaxFileNameLength = 99;

uint16_t Serial(std::span<const uint8_t> block);
uint32_t Cycles(std::span<const uint8_t> block);
// The stored name up to its zero byte (at most 99 bytes) as UTF-8 text: as stored when it is
// UTF-8, else each byte one Latin-1 character.
std::string FileName(std::span<const uint8_t> block);
}  // namespace infoblock

}  // namespace board
