#include <cmath>
#include <memory>
#include <string>

#include <QImage>

#include <gtest/gtest.h>

#include "OffscreenBoardView.h"
#include "pins/PinState.h"
#include "pins/PinTables.h"
#include "scene/Markers.h"
#include "scene/PictureTexels.h"
#include "view/BoardScene.h"
using picture_texels::Shown;
using picture_texels::Texel;
using picture_texels::TexelColumnAt;
using picture_texels::TexelRowAt;
using scene::picture::Rgb;

namespace {

constexpr Rgb PaleYellow = {255, 255, 128};
constexpr Rgb Black = {0, 0, 0};

bool Near(Rgb a, Rgb b)
{
    return std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1;
}

std::string Describe(Rgb c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// Sets the three capture bits of a header position so that it decodes to letter.
void SetPinState(pins::Capture& capture, int position, char letter)
{
    const int group = pins::BoundaryCellTable[pins::HeaderPinTable[position]];
    auto setBit = [&](int bit, bool on) {
        const auto mask = static_cast<uint8_t>(0x80 >> (bit % 8));
        capture[bit / 8] = static_cast<uint8_t>(on ? capture[bit / 8] | mask : capture[bit / 8] & ~mask);
    };
    const bool driven = letter == 'H' || letter == 'L';
    setBit(3 * group, letter == 'H' || letter == '1');
    setBit(3 * group + 1, !driven);
    setBit(3 * group + 2, letter == 'H');
}

class BoardSceneRendering : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_view = std::make_unique<OffscreenBoardView>();
        if (!m_view->Failure().isEmpty())
            GTEST_SKIP() << "cannot render the board view: " << m_view->Failure().toStdString();
        m_view->capture.fill(0xFF);
    }

    void Paint()
    {
        m_view->Paint();
        m_pixels = m_view->Pixels();
    }

    // The pixel whose area holds world point (x, y).
    QPoint PixelAt(double x, double y) const
    {
        return {static_cast<int>(std::floor(x * m_view->Width() / scene::WorldWidth)),
                static_cast<int>(std::floor((scene::WorldHeight - y) * m_view->Height() / scene::WorldHeight))};
    }
    Rgb Pixel(QPoint p) const
    {
        const QRgb c = m_pixels.pixel(p);
        return {static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                static_cast<uint8_t>(qBlue(c))};
    }
    Rgb At(double x, double y) const { return Pixel(PixelAt(x, y)); }
    bool IsMarker(Rgb c) const { return Near(c, PaleYellow) || Near(c, Black); }

    std::unique_ptr<OffscreenBoardView> m_view;
    QImage m_pixels;
};

}  // namespace

// Away from the markers every pixel shows the texel under its centre at 94 %; the sampled
// rows include the top and bottom rows of the view.
TEST_F(BoardSceneRendering, PictureFillsTheViewAt94PercentBrightness)
{
    Paint();
    const int w = m_view->Width();
    const int h = m_view->Height();
    int checked = 0;
    for (int py = 0; py < h; py = py + 4 < h || py == h - 1 ? py + 4 : h - 1) {
        const double y = (h - py - 0.5) * scene::WorldHeight / h;
        if ((y > 1570 && y < 1790) || (y > 110 && y < 330))
            continue;  // marker rows
        for (int px = 0; px < w; px += 3) {
            const double x = (px + 0.5) * scene::WorldWidth / w;
            const int col = static_cast<int>(TexelColumnAt(x));
            const int row = static_cast<int>(TexelRowAt(y));
            bool matches = false;
            for (int dr = -1; dr <= 1 && !matches; ++dr)
                for (int dc = -1; dc <= 1 && !matches; ++dc)
                    matches = Near(Pixel({px, py}), Shown(Texel(std::max(col + dc, 0), row + dr)));
            ASSERT_TRUE(matches) << "pixel " << px << ", " << py << " shows "
                                 << Describe(Pixel({px, py})) << ", texel " << col << ", " << row
                                 << " is " << Describe(Texel(col, row));
            ++checked;
        }
        if (py == h - 1)
            break;
    }
    EXPECT_GT(checked, 5000);

    // A plain stretch of board between the crystal and the flash: dimmed, not as stored.
    const Rgb board = At(320 * 5500.0 / (0.92 * 1024), 1920 * (300.0 / 512 - 0.38) / 0.62);
    EXPECT_TRUE(Near(board, Shown(scene::picture::BoardGreen))) << Describe(board);
    EXPECT_FALSE(Near(board, scene::picture::BoardGreen));
}

// The rectangle reaches y = 1920 but the view ends at 1900: the board's rim along the top of
// the picture (texel rows 509-511) never shows.
TEST_F(BoardSceneRendering, StripAboveTheWorldTopIsNeverVisible)
{
    ASSERT_EQ(Texel(500, 510), scene::picture::BoardRim);
    ASSERT_EQ(Texel(500, 508), scene::picture::BoardGreen);
    Paint();
    const Rgb rim = Shown(scene::picture::BoardRim);
    for (int px = 8; px < m_view->Width(); ++px)
        ASSERT_FALSE(Near(Pixel({px, 0}), rim)) << "pixel " << px << " of the top row shows the rim";
}

// One marker per state letter on each row. Markers are 150 units long: pointing up from the
// row's line y - 100 to y + 50, or down from the line y to y - 150.
TEST_F(BoardSceneRendering, MarkersShowTheStateLetters)
{
    struct Case {
        char letter;
        Rgb fill;
        Rgb outline;
        bool upperPointsUp;
        bool lowerPointsUp;
    };
    const Case cases[] = {
        {'H', PaleYellow, Black, true, false},
        {'L', Black, PaleYellow, true, false},
        {'1', PaleYellow, Black, false, true},
        {'0', Black, PaleYellow, false, true},
    };
    const int columns[] = {5, 12, 21, 30};
    for (int k = 0; k < 4; ++k) {
        SetPinState(m_view->capture, columns[k], cases[k].letter);
        SetPinState(m_view->capture, columns[k] + 40, cases[k].letter);
    }
    Paint();

    for (int k = 0; k < 4; ++k) {
        const Case& c = cases[k];
        const double x = scene::MarkerCentreX(columns[k]);
        for (int row : {scene::UpperRow, scene::LowerRow}) {
            const bool up = row == scene::UpperRow ? c.upperPointsUp : c.lowerPointsUp;
            const double y = scene::RowReferenceY(row);
            const std::string where = std::string("letter ") + c.letter + " row " + std::to_string(row);

            // Shaft and head centres are filled; the tip lies on the pointing side only.
            const double base = up ? y - 100 : y;
            const double dir = up ? 1 : -1;
            EXPECT_TRUE(Near(At(x, base + dir * 37.5), c.fill)) << where << " shaft";
            EXPECT_TRUE(Near(At(x, base + dir * 100), c.fill)) << where << " head";
            EXPECT_TRUE(IsMarker(At(x, base + dir * 125))) << where << " tip";
            EXPECT_FALSE(IsMarker(At(x, base - dir * 25))) << where << " behind the base";

            // The outline runs along the base of the shaft.
            const QPoint edge = PixelAt(x, base);
            bool outlined = false;
            for (int dy = -1; dy <= 1; ++dy)
                outlined = outlined || Near(Pixel(edge + QPoint(0, dy)), c.outline);
            EXPECT_TRUE(outlined) << where << " outline";
        }
    }
}

// Before any capture every position reads '1'; markers of one row differ only by place.
// Position 0 is centred at x = 1350 on the upper row and position 79 at 5289 on the lower.
TEST_F(BoardSceneRendering, EndPositionsSitAtTheEndsOfTheirRows)
{
    SetPinState(m_view->capture, 0, 'L');
    SetPinState(m_view->capture, 79, 'L');
    Paint();

    struct End {
        int position;
        int row;
        double x;
    };
    for (End end : {End{0, scene::UpperRow, 1350}, End{79, scene::LowerRow, 5289}}) {
        // 'L' points outwards: up on the upper row, down on the lower one.
        const double shaftY = end.row == scene::UpperRow ? scene::RowReferenceY(end.row) - 62.5
                                                         : scene::RowReferenceY(end.row) - 37.5;
        const QPoint centre = PixelAt(end.x, shaftY);
        int left = centre.x();
        int right = centre.x();
        while (Near(Pixel({left - 1, centre.y()}), Black))
            --left;
        while (Near(Pixel({right + 1, centre.y()}), Black))
            ++right;
        const double expected = end.x * m_view->Width() / scene::WorldWidth;
        EXPECT_NEAR((left + right + 1) / 2.0, expected, 1.0) << "position " << end.position;
        EXPECT_GE(right - left + 1, 4) << "position " << end.position << " shaft is too narrow";

        // The same column on the other row still shows the initial '1'.
        const int otherRow = 1 - end.row;
        const double otherShaftY = otherRow == scene::UpperRow ? scene::RowReferenceY(otherRow) - 37.5
                                                               : scene::RowReferenceY(otherRow) - 62.5;
        EXPECT_TRUE(Near(At(end.x, otherShaftY), PaleYellow)) << "position " << end.position;
    }
}

TEST(MarkerLook, KindAndLevelOfEachLetter)
{
    struct Case {
        char letter;
        int kind;
        int level;
    };
    for (Case c : {Case{'H', 0, 0}, {'L', 0, 4}, {'0', 1, 4}, {'1', 1, 0}, {'?', 1, 0}}) {
        const scene::MarkerLook look = scene::MarkerLookOf(c.letter);
        EXPECT_EQ(look.kind, c.kind) << c.letter;
        EXPECT_EQ(look.level, c.level) << c.letter;
    }
}
