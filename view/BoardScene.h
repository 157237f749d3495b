#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "pins/PinState.h"

// The board scene drawn with OpenGL: the board picture as a texture filling the view, and
// over it one arrow marker per header position, coloured and turned by the position's state
// in the capture the view shows. Draws into whatever OpenGL context is current, in the
// world the view sets up (scene/Markers.h).
namespace view {

struct ImageRecord {
    uint32_t width;
    uint32_t height;
    const uint8_t* pixels;
};

// The scene of one board view.
class BoardScene {
public:
    // Draws the whole scene into the back buffer; no swap. The picture is uploaded once per
    // context, into a texture of its own; the rectangle and all 80 markers are sent again.
    void RenderBoard(std::span<const uint8_t, pins::CaptureBytes> capture);

    // The context current now is new: the picture's texture is made and uploaded at the
    // next draw.
    void OnContextCreated() { m_texture = 0; }

    // Loads the board picture into the 2D texture bound now.
    void UploadBoardTexture();

    // The board picture's image record once a draw has filled it; null before.
    const ImageRecord* BoardImage() const { return m_boardImage ? &*m_boardImage : nullptr; }

private:
    // Binds the picture's texture, making and uploading it first in a new context.
    void BindBoardTexture();

    std::optional<ImageRecord> m_boardImage;
    // The picture's texture in the current context; 0 before it is made.
    unsigned m_texture = 0;
};

// One marker: row 0 (lower) or 1 (upper), column 0-39, kind and level from MarkerLookOf.
void DrawPinMarker(int row, int column, int kind, int level);

}  // namespace view
