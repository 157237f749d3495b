#pragma once

#include <QFrame>
#include <QPoint>
#include <QSize>

class QOpenGLContext;

// The board view: a sunken child window inside the test dialog that shows the board
// picture with the 80 pin markers, drawn with OpenGL from CaptureBuffer on every paint.
// Where no OpenGL context can be had it stays an empty window of the same size, which
// still takes clicks.
class CBoardViewDlg : public QFrame {
    Q_OBJECT

public:
    static constexpr int IDD = 132;

    // Creates the view at 0, 0 of parent, sized by its template.
    explicit CBoardViewDlg(QWidget* parent = nullptr);
    ~CBoardViewDlg() override;

    // Size of the client area inside the sunken edge, in logical pixels.
    static QSize ClientSize();

    // Whether the view draws the board; false for the empty stand-in without OpenGL.
    bool HasOpenGL() const { return m_bOpenGL; }

    // The client area: the OpenGL surface or its stand-in.
    QWidget* ClientArea() const { return m_pClient; }

    // Asks for a repaint of the whole client area, without erasing, after CaptureBuffer
    // has changed.
    void InvalidateView();

    // Whether a compatibility-profile OpenGL context can be created and made current here.
    // A shown OpenGL widget without a usable context brings the whole program down, so the
    // view asks this before it makes one.
    static bool OpenGLAvailable();

    // Message handlers; the client area calls them.
    void OnCreateContext();
    void OnSize(int width, int height);
    void OnPaint();
    // A left-button press at point in client coordinates: over a pin marker the board
    // captures all pins afresh and the test dialog reports the clicked pin's state.
    virtual void OnLButtonDown(QPoint point);
    // A context-menu request over the view does nothing, and does not reach the parent.
    void OnContextMenu(QPoint point);

private:
    void OnDestroy();

    QOpenGLContext* m_hGLContext = nullptr;
    QWidget* m_pClient = nullptr;
    bool m_bOpenGL = false;
};
