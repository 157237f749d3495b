#include "view/BoardViewGl.h"

#include <QColor>
#include <QSurfaceFormat>

#include <qopengl.h>  // the system's GL header, with what it needs before it on Windows

#include "scene/Markers.h"

namespace view {

QSurfaceFormat BoardViewFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(0);
    return format;
}

void SetUpBoardContext(const QColor& buttonFace)
{
    glClearColor(static_cast<GLfloat>(buttonFace.red()) / 255.0f,
                 static_cast<GLfloat>(buttonFace.green()) / 255.0f,
                 static_cast<GLfloat>(buttonFace.blue()) / 255.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
}

void SizeBoardView(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, scene::WorldWidth, 0, scene::WorldHeight, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glColor3f(0, 0, 0);
    // The picture covers the whole view, so this black never shows.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glShadeModel(GL_SMOOTH);
    const GLfloat ambient[] = {0.5f, 0.5f, 0.5f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glEnable(GL_LIGHT0);
}

}  // namespace view
