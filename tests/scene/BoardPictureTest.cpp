#include <cstring>

#include <gtest/gtest.h>

#include "scene/PictureTexels.h"
#include "scene/BoardPicture.h"
#include "scene/Markers.h"

using namespace scene::picture;
using picture_texels::Texel;
using picture_texels::TexelColumnAt;
using picture_texels::TexelRowAt;

TEST(BoardPicture, StartsWithItsSizeWords)
{
    const uint8_t expected[8] = {0x00, 0x04, 0, 0, 0x00, 0x02, 0, 0};
    EXPECT_EQ(std::memcmp(scene::BoardPicture, expected, 8), 0);
}

TEST(BoardPicture, BoardFillsItsRectangleOnWhite)
{
    for (int row = 0; row < Height; row += 3)
        for (int col = 0; col < Width; col += 3) {
            const bool onBoard = col >= BoardLeft && col <= BoardRight && row >= BoardBottom &&
                                 row <= BoardTop;
            if (!onBoard) {
                ASSERT_EQ(Texel(col, row), White) << "texel " << col << ", " << row;
            }
        }
    for (auto [col, row] : {std::pair{BoardLeft, BoardBottom}, {BoardRight, BoardBottom},
                            {BoardLeft, BoardTop}, {BoardRight, BoardTop}})
        EXPECT_EQ(Texel(col, row), BoardRim) << "corner " << col << ", " << row;
}

// Each marker's reference point, mapped onto the picture the way the view maps it, must land
// on the header pin of its column, so that a student can find the pin beside the marker.
TEST(BoardPicture, HeaderPinsLieUnderTheMarkers)
{
    for (int row : {scene::UpperRow, scene::LowerRow}) {
        const int pinRow = row == scene::UpperRow ? UpperPinRow : LowerPinRow;
        EXPECT_NEAR(TexelRowAt(scene::RowReferenceY(row)), pinRow, 1.0) << "row " << row;
        for (int i = 0; i < scene::MarkerColumns; ++i) {
            const double markerCol = TexelColumnAt(scene::MarkerCentreX(i));
            EXPECT_NEAR(markerCol, PinColumn(i), 0.5) << "column " << i;
            const int col = static_cast<int>(markerCol);
            for (int dc : {-(PinHalfSize - 1), 0, PinHalfSize - 1})
                for (int dr : {-(PinHalfSize - 1), 0, PinHalfSize - 1})
                    EXPECT_EQ(Texel(col + dc, pinRow + dr), PinGold)
                        << "row " << row << " column " << i << " offset " << dc << ", " << dr;
        }
    }
}
