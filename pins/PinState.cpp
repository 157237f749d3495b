#include "pins/PinState.h"

#include "pins/PinTables.h"

namespace pins {

namespace {

bool CaptureBit(std::span<const uint8_t, CaptureBytes> capture, int bit)
{
    return (capture[bit / 8] >> (7 - bit % 8)) & 1;
}

}  // namespace

char DecodePinState(std::span<const uint8_t, CaptureBytes> capture, int position)
{
    // Callers compute positions from click coordinates; one outside the header must not
    // index past the table.
    if (position < 0 || position >= HeaderPositions)
        return '?';
    const int group = BoundaryCellTable[HeaderPinTable[position]];
    if (group == 0)
        return '?';
    const int bit = 3 * group;
    if (CaptureBit(capture, bit + 1))
        return CaptureBit(capture, bit) ? '1' : '0';
    return CaptureBit(capture, bit + 2) ? 'H' : 'L';
}

}  // namespace pins
