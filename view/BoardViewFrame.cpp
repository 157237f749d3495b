#include "view/BoardViewFrame.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>

#include "res/DialogTemplate.h"
#include "scene/PinHitTest.h"
#include "view/BoardViewGl.h"

namespace {

// Width of the sunken edge around the client area, as the system draws a client edge.
constexpr int ClientEdgeWidth = 2;

void RouteMousePress(BoardViewFrame& view, QMouseEvent* event)
{
    // A double click arrives here as a second press, as two clicks would.
    if (event->button() == Qt::LeftButton)
        view.OnLButtonDown(event->position().toPoint());
    event->accept();
}

void RouteContextMenu(BoardViewFrame& view, QContextMenuEvent* event)
{
    view.OnContextMenu(event->pos());
    event->accept();
}

// The client area with the OpenGL picture: context creation, size changes and paints go to
// the view's handlers. Qt presents each painted frame itself after paintGL.
class BoardSurface : public QOpenGLWidget {
public:
    BoardSurface(BoardViewFrame& view) : QOpenGLWidget(&view), m_view(view)
    {
        setFormat(view::BoardViewFormat());
    }

protected:
    void initializeGL() override { m_view.OnCreateContext(); }
    void resizeGL(int width, int height) override
    {
        const qreal ratio = devicePixelRatioF();
        m_view.OnSize(qRound(width * ratio), qRound(height * ratio));
    }
    void paintGL() override { m_view.OnPaint(); }
    void mousePressEvent(QMouseEvent* event) override { RouteMousePress(m_view, event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { RouteMousePress(m_view, event); }
    void contextMenuEvent(QContextMenuEvent* event) override { RouteContextMenu(m_view, event); }

private:
    BoardViewFrame& m_view;
};

// The client area when no OpenGL context can be had: shows nothing, still takes clicks.
class EmptyClientArea : public QWidget {
public:
    EmptyClientArea(BoardViewFrame& view) : QWidget(&view), m_view(view) {}

protected:
    void mousePressEvent(QMouseEvent* event) override { RouteMousePress(m_view, event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { RouteMousePress(m_view, event); }
    void contextMenuEvent(QContextMenuEvent* event) override { RouteContextMenu(m_view, event); }

private:
    BoardViewFrame& m_view;
};

}  // namespace

BoardViewFrame::BoardViewFrame(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(ClientEdgeWidth);
    const QSize client = ClientSize();
    setGeometry(0, 0, client.width() + 2 * ClientEdgeWidth, client.height() + 2 * ClientEdgeWidth);
    setFixedSize(size());

    m_capture.fill(0xFF);
    if (OpenGLAvailable()) {
        m_client = new BoardSurface(*this);
        m_hasOpenGL = true;
    } else {
        m_client = new EmptyClientArea(*this);
    }
    m_client->setGeometry(contentsRect());
    setAccessibleName(tr("Board picture"));
    setAccessibleDescription(tr("The board with its 80 header pins, each marked in the colour of its "
                                "captured state; the Test result box lists the same states as text. "
                                "Clicking a pin shows its state in that box."));
}

QSize BoardViewFrame::ClientSize()
{
    const res::DialogTemplate& dlg = res::BoardViewFrameTemplate;
    return {res::DialogUnitsToPixelsX(dlg.cx) - 2 * ClientEdgeWidth,
            res::DialogUnitsToPixelsY(dlg.cy) - 2 * ClientEdgeWidth};
}

BoardViewFrame::~BoardViewFrame()
{
    OnDestroy();
}

bool BoardViewFrame::OpenGLAvailable()
{
    QOffscreenSurface surface;
    surface.setFormat(view::BoardViewFormat());
    surface.create();
    if (!surface.isValid())
        return false;
    QOpenGLContext context;
    context.setFormat(view::BoardViewFormat());
    if (!context.create() || context.isOpenGLES() || !context.makeCurrent(&surface))
        return false;
    // Immediate mode and the fixed pipeline are gone from core-profile contexts.
    const bool usable = context.format().profile() != QSurfaceFormat::CoreProfile;
    context.doneCurrent();
    return usable;
}

void BoardViewFrame::ShowCapture(const pins::Capture& capture)
{
    m_capture = capture;
    InvalidateView();
}

void BoardViewFrame::InvalidateView()
{
    m_client->update();
}

void BoardViewFrame::OnCreateContext()
{
    m_scene.OnContextCreated();
    view::SetUpBoardContext(palette().color(QPalette::Button));
}

void BoardViewFrame::OnSize(int width, int height)
{
    view::SizeBoardView(width, height);
    m_scene.RenderBoard(m_capture);
}

void BoardViewFrame::OnPaint()
{
    m_scene.RenderBoard(m_capture);
}

void BoardViewFrame::OnLButtonDown(QPoint point)
{
    if (const std::optional<int> position = scene::HeaderPositionAt(point.x(), point.y()))
        emit HeaderPositionClicked(*position);
}

void BoardViewFrame::OnContextMenu(QPoint)
{
}

void BoardViewFrame::OnDestroy()
{
    if (QOpenGLContext* current = QOpenGLContext::currentContext())
        current->doneCurrent();
    // The surface owns the rendering context; deleting it deletes the context.
    if (m_hasOpenGL) {
        delete m_client;
        m_client = nullptr;
    }
}
