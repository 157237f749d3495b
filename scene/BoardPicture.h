#pragma once

#include <cstddef>
#include <cstdint>

namespace scene {

// The built-in picture of the board: width and height as little-endian 32-bit words
// (1024 and 512), then 1024 x 512 RGB texels of 3 bytes, bottom row first, as OpenGL
// takes them. Drawn by the generator in picture/ when the program is built.
inline constexpr std::size_t BoardPictureHeaderBytes = 8;
inline constexpr std::size_t BoardPictureBytes = BoardPictureHeaderBytes + 1024 * 512 * 3;

extern "C" const uint8_t BoardPicture[BoardPictureBytes];

}  // namespace scene
