#include <gtest/gtest.h>

#include "pins/PinState.h"

using namespace pins;

namespace {

Capture Filled(uint8_t value)
{
    Capture capture;
    capture.fill(value);
    return capture;
}

}  // namespace

TEST(DecodePinState, UniformCapturesDecodeAlikeAtEveryPosition)
{
    const Capture ones = Filled(0xFF);
    const Capture zeros = Filled(0x00);
    for (int position = 0; position < 80; ++position) {
        EXPECT_EQ(DecodePinState(ones, position), '1') << "position " << position;
        EXPECT_EQ(DecodePinState(zeros, position), 'L') << "position " << position;
    }
}

// Pin 1 sits at position 13 with cell group 17: bits 51, 52, 53 are byte 6, masks 0x10,
// 0x08 and 0x04. The bits around them belong to other groups and must not matter.
TEST(DecodePinState, ReadsTheThreeBitsOfTheCellGroup)
{
    struct Case {
        uint8_t byte6;
        char letter;
    };
    const Case cases[] = {{0x18, '1'}, {0x08, '0'}, {0x04, 'H'}, {0x00, 'L'}};
    for (const Case& c : cases) {
        Capture capture = {};
        capture[6] = c.byte6;
        EXPECT_EQ(DecodePinState(capture, 13), c.letter) << "byte 6 = " << int(c.byte6);
        capture[6] = static_cast<uint8_t>(c.byte6 | 0xE3);
        EXPECT_EQ(DecodePinState(capture, 13), c.letter) << "byte 6 with neighbours set";
    }
}

// Position 38 (pin 17, cell group 201) reads bits 603-605: byte 75, masks 0x10, 0x08, 0x04.
TEST(DecodePinState, LateCellGroupReadsByte75)
{
    Capture capture = {};
    capture[75] = 0x04;
    EXPECT_EQ(DecodePinState(capture, 38), 'H');
    capture[75] = 0x18;
    EXPECT_EQ(DecodePinState(capture, 38), '1');
    capture[75] = 0x00;
    capture[74] = 0xFF;
    capture[76] = 0xFF;
    EXPECT_EQ(DecodePinState(capture, 38), 'L');
}

TEST(DecodePinState, PositionOutsideTheHeaderIsUnknown)
{
    const Capture ones = Filled(0xFF);
    for (int position : {-1, 80, 1000})
        EXPECT_EQ(DecodePinState(ones, position), '?') << "position " << position;
}
