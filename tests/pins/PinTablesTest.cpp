#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "pins/PinState.h"
#include "pins/PinTables.h"

using namespace pins;

TEST(PinTables, HeaderPinsAreDistinctFpgaPins)
{
    std::set<int> seen;
    for (int pin : HeaderPinTable) {
        EXPECT_GE(pin, 1);
        EXPECT_LE(pin, FpgaPinCount);
        EXPECT_TRUE(seen.insert(pin).second) << "pin " << pin << " occurs twice";
    }
}

TEST(PinTables, CellGroupsAreDistinctAndFitInACapture)
{
    EXPECT_EQ(BoundaryCellTable[0], 0) << "there is no pin 0";
    std::set<int> seen;
    for (int group : BoundaryCellTable) {
        if (group == 0)
            continue;
        EXPECT_TRUE(seen.insert(group).second) << "cell group " << group << " occurs twice";
        EXPECT_LT(3 * group + 2, static_cast<int>(8 * CaptureBytes)) << "cell group " << group;
    }
}

TEST(PinTables, EveryHeaderPinAndThirtySixOthersHaveCellGroups)
{
    int others = 0;
    for (int pin = 1; pin <= FpgaPinCount; ++pin) {
        const bool onHeader =
            std::find(HeaderPinTable.begin(), HeaderPinTable.end(), pin) != HeaderPinTable.end();
        if (onHeader)
            EXPECT_NE(BoundaryCellTable[pin], 0) << "header pin " << pin;
        else if (BoundaryCellTable[pin] != 0)
            ++others;
    }
    EXPECT_EQ(others, 36);
}
