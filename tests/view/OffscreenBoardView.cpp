#include "OffscreenBoardView.h"

#include <QColor>

#include <qopengl.h>  // the system's GL header, with what it needs before it on Windows

#include "view/BoardViewGl.h"
#include "view/BoardViewFrame.h"

OffscreenBoardView::OffscreenBoardView()
{
    const QSize size = BoardViewFrame::ClientSize();
    m_width = size.width();
    m_height = size.height();
    m_surface.setFormat(view::BoardViewFormat());
    m_surface.create();
    m_context.setFormat(view::BoardViewFormat());
    if (!m_context.create()) {
        m_failure = "no OpenGL context can be created on this display";
        return;
    }
    if (!m_context.makeCurrent(&m_surface)) {
        m_failure = "the OpenGL context cannot be made current on an offscreen surface";
        return;
    }
    if (m_context.format().profile() == QSurfaceFormat::CoreProfile) {
        m_failure = "only a core-profile context is available";
        return;
    }
    m_fbo = std::make_unique<QOpenGLFramebufferObject>(m_width, m_height);
    if (!m_fbo->isValid() || !m_fbo->bind()) {
        m_failure = "no framebuffer object of the view's size";
        return;
    }
    view::SetUpBoardContext(QColor(240, 240, 240));
    view::SizeBoardView(m_width, m_height);
    m_scene.RenderBoard(capture);
}

OffscreenBoardView::~OffscreenBoardView()
{
    if (m_context.isValid() && m_context.makeCurrent(&m_surface)) {
        m_fbo.reset();
        m_context.doneCurrent();
    }
}

void OffscreenBoardView::Paint()
{
    m_scene.RenderBoard(capture);
    glFinish();
}

QImage OffscreenBoardView::Pixels()
{
    return m_fbo->toImage().convertToFormat(QImage::Format_RGB32);
}
