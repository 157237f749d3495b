#include <gtest/gtest.h>

#include <climits>

#include "scene/PinHitTest.h"

namespace {

TEST(PinHitTest, ClicksMapToHeaderPositionsOrToNothing)
{
    struct Case {
        int x, y;
        std::optional<int> position;
    };
    const Case cases[] = {
        {165, 10, 0},  {177, 10, 0},  {178, 10, 1},   {189, 39, 1},   {190, 0, 2},
        {170, 200, 40}, {177, 190, 40}, {664, 10, 39}, {664, 222, 79},
        {164, 10, std::nullopt},  {164, 200, std::nullopt}, {300, 100, std::nullopt},
        {300, 40, std::nullopt},  {300, 189, std::nullopt}, {665, 10, std::nullopt},
        {665, 200, std::nullopt}, {-5, 10, std::nullopt},   {300, -1, 10},
        // Every int is a valid argument: far-off clicks ask for nothing, extreme rows keep
        // their band.
        {(1 << 30) + 166, 10, std::nullopt}, {INT_MAX, 10, std::nullopt}, {INT_MAX, 200, std::nullopt},
        {INT_MIN, 10, std::nullopt},         {INT_MIN, INT_MIN, std::nullopt},
        {165, INT_MIN, 0},                   {664, INT_MAX, 79},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scene::HeaderPositionAt(c.x, c.y), c.position) << c.x << "," << c.y;
}

}  // namespace
