#pragma once

#include <cstddef>
#include <string>

// The configuration area behind the information block, as a download fills it.
namespace board {

// Byte k of the file goes to flash address 0x0100 + k. At most 32767 bytes of a file are used.
inline constexpr int ConfigAreaAddress = 0x0100;
inline constexpr std::size_t ConfigAreaSize = 32768;
inline constexpr std::size_t MaxConfigFileBytes = 32767;

// How many bytes of a file name the information block keeps: at most 99, and never part of
// a UTF-8 character, so that a cut name still reads back as text.
std::size_t StoredFileNameLength(const std::string& name);

}  // namespace board
