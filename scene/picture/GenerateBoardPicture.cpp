// Draws the board picture that the board view shows as its texture, and writes it in the
// program's picture layout: width and height as little-endian 32-bit words, then the RGB
// texels row by row, bottom row first. Run at build time; the output is built into the
// program.
//
// Usage: GenerateBoardPicture <output file>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pins/PinTables.h"
#include "scene/picture/BoardPictureGeometry.h"

using namespace scene::picture;

namespace {

// A 3 x 5 font for the labels, top row first.
struct Glyph {
    char c;
    const char* rows[5];
};

constexpr Glyph Font[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}}, {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", "..#", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "###"}},
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}}, {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {"###", "#..", "#..", "#..", "###"}}, {'E', {"###", "#..", "##.", "#..", "###"}},
    {'F', {"###", "#..", "##.", "#..", "#.."}}, {'G', {"###", "#..", "#.#", "#.#", "###"}},
    {'H', {"#.#", "#.#", "###", "#.#", "#.#"}}, {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#.#", "###", "###", "#.#", "#.#"}}, {'N', {"##.", "#.#", "#.#", "#.#", "#.#"}},
    {'O', {".#.", "#.#", "#.#", "#.#", ".#."}}, {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'R', {"##.", "#.#", "##.", "#.#", "#.#"}}, {'S', {".##", "#..", ".#.", "..#", "##."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}}, {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
};

const Glyph& GlyphOf(char c)
{
    for (const Glyph& g : Font)
        if (g.c == c)
            return g;
    std::fprintf(stderr, "GenerateBoardPicture: no glyph for '%c'\n", c);
    std::exit(1);
}

class Canvas {
public:
    Canvas() : m_texels(static_cast<std::size_t>(Width) * Height, White) {}

    void Set(int col, int row, Rgb colour)
    {
        if (col >= 0 && col < Width && row >= 0 && row < Height)
            m_texels[static_cast<std::size_t>(row) * Width + col] = colour;
    }

    // Inclusive bounds.
    void Fill(int left, int bottom, int right, int top, Rgb colour)
    {
        for (int row = bottom; row <= top; ++row)
            for (int col = left; col <= right; ++col)
                Set(col, row, colour);
    }

    void Disc(int centreCol, int centreRow, int radius, Rgb colour)
    {
        for (int dr = -radius; dr <= radius; ++dr)
            for (int dc = -radius; dc <= radius; ++dc)
                if (dc * dc + dr * dr <= radius * radius)
                    Set(centreCol + dc, centreRow + dr, colour);
    }

    static int TextWidth(std::string_view text, int scale)
    {
        return static_cast<int>(text.size()) * 4 * scale - scale;
    }

    // Upright text whose top edge is texel row top; strokes are scale texels thick.
    void Text(std::string_view text, int left, int top, int scale, Rgb colour)
    {
        for (char c : text) {
            const Glyph& g = GlyphOf(c);
            for (int gr = 0; gr < 5; ++gr)
                for (int gc = 0; gc < 3; ++gc)
                    if (g.rows[gr][gc] == '#')
                        Fill(left + gc * scale, top - (gr + 1) * scale + 1,
                             left + (gc + 1) * scale - 1, top - gr * scale, colour);
            left += 4 * scale;
        }
    }

    void CentredText(std::string_view text, int centreCol, int top, int scale, Rgb colour)
    {
        Text(text, centreCol - TextWidth(text, scale) / 2, top, scale, colour);
    }

    bool Write(const char* path) const
    {
        std::vector<unsigned char> bytes;
        bytes.reserve(8 + m_texels.size() * 3);
        for (uint32_t word : {uint32_t{Width}, uint32_t{Height}})
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<unsigned char>(word >> shift));
        for (Rgb t : m_texels) {
            bytes.push_back(t.r);
            bytes.push_back(t.g);
            bytes.push_back(t.b);
        }
        std::FILE* file = std::fopen(path, "wb");
        if (!file)
            return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && written;
    }

private:
    std::vector<Rgb> m_texels;
};

// A quad flat package: body with leads on all four sides and a pin-1 dot.
void QuadFlatChip(Canvas& canvas, int left, int bottom, int size, int leadsPerSide, int leadLength)
{
    const int right = left + size - 1;
    const int top = bottom + size - 1;
    const double pitch = static_cast<double>(size - 4) / leadsPerSide;
    for (int k = 0; k < leadsPerSide; ++k) {
        const int a = left + 2 + static_cast<int>(k * pitch);
        const int b = a + std::max(1, static_cast<int>(pitch) - 1) - 1;
        canvas.Fill(a, bottom - leadLength, b, bottom - 1, ChipLead);
        canvas.Fill(a, top + 1, b, top + leadLength, ChipLead);
        const int c = bottom + 2 + static_cast<int>(k * pitch);
        const int d = c + std::max(1, static_cast<int>(pitch) - 1) - 1;
        canvas.Fill(left - leadLength, c, left - 1, d, ChipLead);
        canvas.Fill(right + 1, c, right + leadLength, d, ChipLead);
    }
    canvas.Fill(left, bottom, right, top, ChipBody);
    canvas.Disc(left + 7, top - 7, 3, ChipLead);
}

void Header(Canvas& canvas, int pinRow, int firstPosition, bool labelsBelow)
{
    const double halfPitch = 17.30 / 2;
    canvas.Fill(static_cast<int>(std::floor(PinColumn(0) - halfPitch)), pinRow - 8,
                static_cast<int>(std::ceil(PinColumn(HeaderColumns - 1) + halfPitch)), pinRow + 8,
                HeaderPlastic);
    for (int i = 0; i < HeaderColumns; ++i) {
        const int col = static_cast<int>(std::lround(PinColumn(i)));
        canvas.Fill(col - PinHalfSize, pinRow - PinHalfSize, col + PinHalfSize,
                    pinRow + PinHalfSize, PinGold);

        // Labels sit on the inner side of the row, out of reach of the markers, in two
        // staggered lines so that three-digit numbers fit the pitch.
        const std::string label = std::to_string(pins::HeaderPinTable[firstPosition + i]);
        const int line = i % 2;
        const int top = labelsBelow ? 452 - 13 * line : 260 + 13 * line;
        canvas.CentredText(label, col, top, 2, Silkscreen);
    }
}

void DrawBoard(Canvas& canvas)
{
    canvas.Fill(BoardLeft, BoardBottom, BoardRight, BoardTop, BoardRim);
    canvas.Fill(BoardLeft + BoardEdgeWidth, BoardBottom + BoardEdgeWidth,
                BoardRight - BoardEdgeWidth, BoardTop - BoardEdgeWidth, BoardGreen);

    for (int col : {26, 933})
        for (int row : {218, 484}) {
            canvas.Disc(col, row, 10, ChipLead);
            canvas.Disc(col, row, 6, White);
        }

    Header(canvas, UpperPinRow, 0, true);
    Header(canvas, LowerPinRow, pins::HeaderRowLength, false);

    // USB connector at the left edge, the microcontroller behind it, the flash and the FPGA.
    canvas.Fill(0, 322, 52, 386, ConnectorMetal);
    canvas.Fill(8, 342, 46, 366, ConnectorSlot);
    canvas.CentredText("USB", 28, 314, 2, Silkscreen);

    QuadFlatChip(canvas, 120, 318, 72, 16, 5);
    canvas.CentredText("MCU", 156, 364, 3, Silkscreen);

    canvas.Fill(236, 346, 262, 360, ConnectorMetal);  // crystal

    for (int k = 0; k < 4; ++k) {
        canvas.Fill(384 + 12 * k, 322, 389 + 12 * k, 329, ChipLead);
        canvas.Fill(384 + 12 * k, 372, 389 + 12 * k, 379, ChipLead);
    }
    canvas.Fill(378, 330, 430, 371, ChipBody);
    canvas.Disc(385, 364, 2, ChipLead);
    canvas.CentredText("FLASH", 404, 313, 2, Silkscreen);

    QuadFlatChip(canvas, 500, 300, 112, 36, 6);
    canvas.CentredText("FPGA", 556, 366, 4, Silkscreen);

    canvas.CentredText("MORVANE", 778, 370, 4, Silkscreen);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    Canvas canvas;
    DrawBoard(canvas);
    if (!canvas.Write(argv[1])) {
        std::fprintf(stderr, "GenerateBoardPicture: cannot write '%s': %s\n", argv[1],
                     std::strerror(errno));
        return 1;
    }
    return 0;
}
