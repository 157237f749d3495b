#include "view/dialoggldlg.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>

#include "boardtest/JtagTests.h"
#include "boardtest/PinState.h"
#include "boardtest/PinTables.h"
#include "boardtest/TestDlg.h"
#include "res/DialogTemplate.h"
#include "view/BoardScene.h"
#include "view/BoardViewGl.h"
#include "view/PinHitTest.h"

namespace {

// Width of the sunken edge around the client area, as the system draws a client edge.
constexpr int ClientEdgeWidth = 2;

void RouteMousePress(CBoardViewDlg& view, QMouseEvent* event)
{
    // A double click arrives here as a second press, as two clicks would.
    if (event->button() == Qt::LeftButton)
        view.OnLButtonDown(event->position().toPoint());
    event->accept();
}

void RouteContextMenu(CBoardViewDlg& view, QContextMenuEvent* event)
{
    view.OnContextMenu(event->pos());
    event->accept();
}

// The client area with the OpenGL picture: context creation, size changes and paints go to
// the view's handlers. Qt presents each painted frame itself after paintGL.
class BoardSurface : public QOpenGLWidget {
public:
    BoardSurface(CBoardViewDlg& view) : QOpenGLWidget(&view), m_view(view)
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
    CBoardViewDlg& m_view;
};

// The client area when no OpenGL context can be had: shows nothing, still takes clicks.
class EmptyClientArea : public QWidget {
public:
    EmptyClientArea(CBoardViewDlg& view) : QWidget(&view), m_view(view) {}

protected:
    void mousePressEvent(QMouseEvent* event) override { RouteMousePress(m_view, event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { RouteMousePress(m_view, event); }
    void contextMenuEvent(QContextMenuEvent* event) override { RouteContextMenu(m_view, event); }

private:
    CBoardViewDlg& m_view;
};

}  // namespace

CBoardViewDlg::CBoardViewDlg(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(ClientEdgeWidth);
    const QSize client = ClientSize();
    setGeometry(0, 0, client.width() + 2 * ClientEdgeWidth, client.height() + 2 * ClientEdgeWidth);
    setFixedSize(size());

    if (OpenGLAvailable()) {
        m_pClient = new BoardSurface(*this);
        m_bOpenGL = true;
        boardtest::CaptureBuffer.fill(0xFF);
    } else {
        m_pClient = new EmptyClientArea(*this);
    }
    m_pClient->setGeometry(contentsRect());
}

QSize CBoardViewDlg::ClientSize()
{
    const res::DialogTemplate& dlg = res::BoardViewDlgTemplate;
    return {res::DialogUnitsToPixelsX(dlg.cx) - 2 * ClientEdgeWidth,
            res::DialogUnitsToPixelsY(dlg.cy) - 2 * ClientEdgeWidth};
}

CBoardViewDlg::~CBoardViewDlg()
{
    OnDestroy();
}

bool CBoardViewDlg::OpenGLAvailable()
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

void CBoardViewDlg::InvalidateView()
{
    m_pClient->update();
}

void CBoardViewDlg::OnCreateContext()
{
    m_hGLContext = QOpenGLContext::currentContext();
    view::SetUpBoardContext(palette().color(QPalette::Button));
}

void CBoardViewDlg::OnSize(int width, int height)
{
    view::SizeBoardView(width, height);
}

void CBoardViewDlg::OnPaint()
{
    view::RenderBoard();
}

void CBoardViewDlg::OnLButtonDown(QPoint point)
{
    // The view reports into the test dialog that holds it; without one there is no one to ask.
    const std::optional<int> position = view::HeaderPositionAt(point.x(), point.y());
    if (!position || ActiveTestDlg == nullptr)
        return;
    if (boardtest::CapturePins(boardtest::CaptureBuffer.data())) {
        const char letter = boardtest::DecodePinState(boardtest::CaptureBuffer, *position);
        const int pin = boardtest::HeaderPinTable[static_cast<std::size_t>(*position)];
        ActiveTestDlg->ResultText = "... ";
        ActiveTestDlg->ResultText += " pin " + std::to_string(pin) + " ";
        ActiveTestDlg->ResultText += std::string("= ") + letter + "\r\n";
        InvalidateView();
    } else {
        ActiveTestDlg->ResultText = "Capture did not occur .... ";
    }
    ActiveTestDlg->UpdateData(false);
}

void CBoardViewDlg::OnContextMenu(QPoint)
{
}

void CBoardViewDlg::OnDestroy()
{
    if (QOpenGLContext* current = QOpenGLContext::currentContext())
        current->doneCurrent();
    // The surface owns the rendering context; deleting it deletes the context.
    if (m_bOpenGL) {
        delete m_pClient;
        m_pClient = nullptr;
        m_hGLContext = nullptr;
    }
    if (view::BoardImage)
        view::BoardImage = nullptr;
}
