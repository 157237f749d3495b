#include "board/InfoBlock.h"

#include <algorithm>

#include "board/BoardText.h"

namespace board::infoblock {

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
    return text::FileName(std::string(name, std::find(name, name + MaxFileNameLength, uint8_t{0})));
}

}  // namespace board::infoblock
