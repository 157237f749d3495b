#pragma once

class QColor;
class QSurfaceFormat;

// The board view's OpenGL set-up, apart from its window so that tests and benchmarks can
// run the same steps in an offscreen context.
namespace view {

// What the view asks of its drawing surface: 8 bits per colour channel, no alpha, double
// buffered, in a compatibility-profile context so that immediate mode and the fixed
// pipeline work.
QSurfaceFormat BoardViewFormat();

// After the context is made: clear to the button-face colour, smooth shading.
void SetUpBoardContext(const QColor& buttonFace);

// On every size change, width and height in device pixels: viewport, the world projection
// and light 0. The view then draws a first frame into the back buffer (not swapped).
void SizeBoardView(int width, int height);

}  // namespace view
