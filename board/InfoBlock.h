#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace boardlink {
class BoardLink;
}

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

// The flash operations, each an exact sequence of exchanges on link.
// True when the board answered 'R' (false for another status or a missing reply).
bool SetProgrammingMode(boardlink::BoardLink& link, int mode);
// Three reads of 56, 56 and 16 bytes; copies whatever the reply buffer holds. True when the
// board answered all three with 'S', false when a read got no reply or another status.
bool ReadFlashPage(boardlink::BoardLink& link, unsigned address, uint8_t* buffer);
// Two writes into the page buffer at 0xFF80 and one ProgramPage, each with the status
// preset; true when the board answered all three with 'R'. The first exchange that did not
// ends the page: false, and nothing more is sent.
bool WriteFlashPage(boardlink::BoardLink& link, int address, const uint8_t* page);

// What one JtagCheck exchange found: a board that did not answer says nothing about its
// chain.
enum class ChainCheck { Usable, NotUsable, NoAnswer };
ChainCheck CheckJtagChain(boardlink::BoardLink& link);

inline constexpr const char* UnknownText = "<unknown>";

// The four texts that show the information block (the main window's boxes): the only copy
// of what they show.
struct BoardTexts {
    std::string m_strSerial = UnknownText;
    std::string m_strLastProgrammed = UnknownText;
    std::string m_strFile = UnknownText;
    std::string m_strCycles = UnknownText;
};

// On opening: the cycles and date only when the last read answered 'S'.
void ApplyOpeningDisplay(const InfoBlock& block, uint8_t lastReadStatus, BoardTexts& texts);
// On attach: everything from the block, cycles unsigned.
void ApplyAttachDisplay(const InfoBlock& block, BoardTexts& texts);
// After a download: as on attach, but the file text stays what the user gave.
void ApplyDownloadDisplay(std::span<const uint8_t> block, BoardTexts& texts);

}  // namespace board
