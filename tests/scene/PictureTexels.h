#pragma once

#include <cmath>
#include <cstdint>

#include "scene/BoardPicture.h"
#include "scene/picture/BoardPictureGeometry.h"

// Reading the built-in board picture, and where the view's mapping puts a world point on it.
namespace picture_texels {

inline scene::picture::Rgb Texel(int col, int row)
{
    const uint8_t* t = scene::BoardPicture + scene::BoardPictureHeaderBytes +
                       3 * (static_cast<std::size_t>(row) * scene::picture::Width + col);
    return {t[0], t[1], t[2]};
}

// The texel column and row that the textured rectangle shows at world point (x, y).
inline double TexelColumnAt(double x) { return x * 0.92 * 1024 / 5500; }
inline double TexelRowAt(double y) { return (0.38 + 0.62 * y / 1920) * 512; }

// A texel as the view shows it: lit to 94 % of its stored brightness.
inline scene::picture::Rgb Shown(scene::picture::Rgb t)
{
    auto dim = [](uint8_t c) { return static_cast<uint8_t>(std::lround(0.94 * c)); };
    return {dim(t.r), dim(t.g), dim(t.b)};
}

}  // namespace picture_texels
