#include "view/BoardScene.h"

#include <qopengl.h>  // the system's GL header, with what it needs before it on Windows

#include "scene/BoardPicture.h"
#include "scene/Markers.h"

namespace view {

namespace {

using namespace scene;

uint32_t LittleEndianWord(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

void PaletteColour(int entry)
{
    glColor3f(MarkerPalette.red[entry], MarkerPalette.green[entry], MarkerPalette.blue[entry]);
}

}  // namespace

void BoardScene::UploadBoardTexture()
{
    if (!m_boardImage) {
        m_boardImage = ImageRecord{LittleEndianWord(BoardPicture), LittleEndianWord(BoardPicture + 4),
                                   BoardPicture + BoardPictureHeaderBytes};
    }
    const ImageRecord& image = *m_boardImage;
    // A row of 3072 bytes meets the default unpack alignment of 4.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, static_cast<GLsizei>(image.width),
                 static_cast<GLsizei>(image.height), 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
}

void BoardScene::BindBoardTexture()
{
    if (m_texture != 0) {
        glBindTexture(GL_TEXTURE_2D, m_texture);
        return;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    m_texture = texture;
    glBindTexture(GL_TEXTURE_2D, m_texture);
    UploadBoardTexture();
}

void DrawPinMarker(int row, int column, int kind, int level)
{
    const int fill = level > 2 ? DarkEntry : LightEntry;
    const int outline = fill == DarkEntry ? LightEntry : DarkEntry;

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(static_cast<GLfloat>(101 * column + 1300 + 50),
                 static_cast<GLfloat>(1460 * row + 270 - 100), 0);
    // Unturned, a marker points up from y = reference - 100; half a turn about
    // reference - 50 makes it point down from the reference line.
    if ((row ^ kind) != 1) {
        glTranslatef(0, 100, 0);
        glRotatef(180, 0, 0, 1);
    }

    glBegin(GL_POLYGON);
    PaletteColour(fill);
    glVertex3f(-25, 0, 0);
    glVertex3f(25, 0, 0);
    glVertex3f(25, 75, 0);
    glVertex3f(-25, 75, 0);
    glEnd();

    glBegin(GL_TRIANGLES);
    glVertex3f(-50, 75, 0);
    glVertex3f(50, 75, 0);
    glVertex3f(0, 150, 0);
    glEnd();

    glBegin(GL_LINE_LOOP);
    PaletteColour(outline);
    glVertex3f(-25, 0, 0);
    glVertex3f(25, 0, 0);
    glVertex3f(25, 75, 0);
    glVertex3f(50, 75, 0);
    glVertex3f(0, 150, 0);
    glVertex3f(-50, 75, 0);
    glVertex3f(-25, 75, 0);
    glVertex3f(-25, 0, 0);
    glEnd();
}

void BoardScene::RenderBoard(std::span<const uint8_t, pins::CaptureBytes> capture)
{
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The picture under the default material lit by light 0 (ambient 0.5) and the default
    // scene ambient, modulated by the texture: 0.04 + 0.10 + 0.80 = 94 % of its brightness.
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    BindBoardTexture();

    // The rectangle reaches y = 1920, above the top of the world, so the picture's
    // topmost texel rows stay outside the view.
    glBegin(GL_POLYGON);
    glTexCoord2f(0.0f, 0.38f);
    glVertex2f(0, 0);
    glTexCoord2f(0.92f, 0.38f);
    glVertex2f(5500, 0);
    glTexCoord2f(0.92f, 1.0f);
    glVertex2f(5500, 1920);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0, 1920);
    glEnd();

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);

    using pins::DecodePinState;
    for (int i = 0; i < MarkerColumns; ++i) {
        const MarkerLook look = MarkerLookOf(DecodePinState(capture, i));
        DrawPinMarker(UpperRow, i, look.kind, look.level);
    }
    for (int i = 0; i < MarkerColumns; ++i) {
        const MarkerLook look = MarkerLookOf(DecodePinState(capture, i + MarkerColumns));
        DrawPinMarker(LowerRow, i, look.kind, look.level);
    }
}

}  // namespace view
