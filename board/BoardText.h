#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "board/Board.h"
#include "pins/PinState.h"

// The texts made from board data, the one place the window and the tool take them from.
namespace board::text {

// "TRK_00042".
std::string Serial(uint16_t serial);
// A flash address: "0x0123".
std::string Address(unsigned address);
// "MM/DD/YYYY at HH:MM:SS".
std::string Date(const ProgrammingDate& date);
// A stored file name as UTF-8 text: as stored when it is UTF-8, else each byte one Latin-1
// character (names stored by tools that write a single-byte code page stay readable).
std::string FileName(const std::string& stored);
// The capture listing: legend, empty line, 10 rows of 8 pins, lines ending in "\r\n".
std::string CaptureListing(std::span<const uint8_t, pins::CaptureBytes> capture);
// A header position's label in the listing: "P023" for an I/O pin, "In17" for an input.
std::string PinLabel(int position);
// The result text for a click on a header position: its FPGA pin and state letter.
std::string HeaderPositionText(std::span<const uint8_t, pins::CaptureBytes> capture, int position);

}  // namespace board::text
