#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The board's reports as the board link builds and reads them: the buffer size, the byte
// layout, the command set and the status characters.
namespace boardlink {

inline constexpr std::size_t ReportBufferSize = 256;
using ReportBuffer = std::array<uint8_t, ReportBufferSize>;

// Byte offsets inside both report buffers.
inline constexpr std::size_t ReportIdByte = 0;
inline constexpr std::size_t CommandByte = 1;  // CommandReport
inline constexpr std::size_t StatusByte = 1;   // ReplyReport
inline constexpr std::size_t LengthByte = 2;
inline constexpr std::size_t AddressLowByte = 3;
inline constexpr std::size_t AddressHighByte = 4;
inline constexpr std::size_t DataByte = 5;

// The board command set.
inline constexpr uint8_t ReadMemory = '2';
inline constexpr uint8_t WriteMemory = '3';
inline constexpr uint8_t ProgramMode = '4';
inline constexpr uint8_t ProgramPage = '7';
inline constexpr uint8_t JtagCheck = '8';
inline constexpr uint8_t JtagCapture = '9';
inline constexpr uint8_t DrivePinHigh = ':';
inline constexpr uint8_t DrivePinLow = ';';
inline constexpr uint8_t FloatPin = '<';
inline constexpr uint8_t DriveAllHigh = '>';
inline constexpr uint8_t DriveAllLow = '?';
inline constexpr uint8_t LeaveTestMode = '@';

// Status characters in ReplyReport byte 1.
inline constexpr uint8_t StatusPreset = 'Q';   // written by a caller that will test the status
inline constexpr uint8_t StatusSuccess = 'R';
inline constexpr uint8_t StatusRead = 'S';

inline constexpr uint16_t BoardVendorId = 0x0925;
inline constexpr uint16_t BoardProductId = 0x1299;
inline constexpr int ReadTimeoutMs = 6000;

// The 56-byte layouts need reports of at least 61 bytes; the buffers hold 256.
inline constexpr uint16_t MinReportByteLength = 61;
inline constexpr uint16_t MaxReportByteLength = 256;

// The memory window of the board: page buffer for flash writes, capture after JtagCapture.
inline constexpr uint16_t PageBufferAddress = 0xFF80;
inline constexpr uint16_t ProgramPageAddress = 0xFFF0;

}  // namespace boardlink
