#pragma once

#include <cstddef>
#include <string>

class MainWindowHost;

// The configuration area behind the information block: byte k of the file goes to flash
// address 0x0100 + k. At most 32767 bytes of a file are used.
inline constexpr int ConfigAreaAddress = 0x0100;
inline constexpr std::size_t ConfigAreaSize = 32768;
inline constexpr std::size_t MaxConfigFileBytes = 32767;

// The Download button: writes the file named by the window's file text into the board's
// flash page by page, records date, cycles and file name in the information block,
// releases the FPGA and shows the result. A blank board gets the number in the file text
// as its serial number first.
void RunDownload(MainWindowHost& window);

// How many bytes of a file name the information block keeps: at most 99, and never part of
// a UTF-8 character, so that a cut name still reads back as text.
std::size_t StoredFileNameLength(const std::string& name);
