#pragma once

#include <memory>

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QString>

#include "pins/PinState.h"
#include "view/BoardScene.h"

// The board view's drawing without its window: a compatibility-profile context on an
// offscreen surface, drawing into a framebuffer of the view's client size, set up by the
// same steps as the view (context set-up, then the size steps).
class OffscreenBoardView {
public:
    OffscreenBoardView();
    ~OffscreenBoardView();

    // Empty when the context is ready; otherwise why it is not.
    QString Failure() const { return m_failure; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // One paint of the view showing capture: RenderBoard, finished.
    void Paint();
    // The capture the paint shows.
    pins::Capture capture{};
    view::BoardScene& Scene() { return m_scene; }
    // The framebuffer's pixels, top row first.
    QImage Pixels();

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    view::BoardScene m_scene;
    QString m_failure;
    int m_width = 0;
    int m_height = 0;
};
