#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "board/LocalTime.h"

// What a download writes into the information block's page 0: the serial number, the
// cycles and the record of the programming.
namespace board {

void StoreSerial(std::span<uint8_t> block, uint16_t serial);
void StoreCycles(std::span<uint8_t> block, uint32_t cycles);
// Date and time from one reading of the clock, the next cycle count, the file name (bytes
// after its terminating zero keep what the board held).
void RecordProgramming(std::span<uint8_t> block, const std::string& fileName, const Clock& clock);

}  // namespace board
