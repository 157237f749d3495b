#pragma once

#include <cstddef>
#include <string>

#include "board/InfoBlock.h"
#include "board/LocalTime.h"

namespace boardlink {
class BoardLink;
}

namespace board {

// The configuration area behind the information block: byte k of the file goes to flash
// address 0x0100 + k. At most 32767 bytes of a file are used.
inline constexpr int ConfigAreaAddress = 0x0100;
inline constexpr std::size_t ConfigAreaSize = 32768;
inline constexpr std::size_t MaxConfigFileBytes = 32767;

// How a download ended.
enum class DownloadOutcome {
    FileRefused,          // empty, or longer than the area with more than erased-flash padding; nothing sent
    FileNotOpened,        // "Uable to open RBF file"; nothing written but a blank board's serial number
    FlashUpdateFailed,    // a page was not programmed; later pages were not sent
    ConfigurationFailed,  // every page went in, but the FPGA did not configure on release
    Configured,
};

// The configuration download: writes the file named by texts.m_strFile into the board's
// flash page by page, records date (read from clock), cycles and file name in the
// information block, releases the FPGA, and puts the new serial number, date and cycles
// into texts. A file that cannot be a configuration is refused before anything is sent. A
// blank board gets the number in the file text as its serial number first. Log lines, the
// progress of the pages and the messages about the file go to the link's reporter.
DownloadOutcome RunDownload(boardlink::BoardLink& link, BoardTexts& texts, const Clock& clock = SystemTime);

// How many bytes of a file name the information block keeps: at most 99, and never part of
// a UTF-8 character, so that a cut name still reads back as text.
std::size_t StoredFileNameLength(const std::string& name);

}  // namespace board
