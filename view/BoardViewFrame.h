#pragma once

#include <QFrame>
#include <QPoint>
#include <QSize>

#include "pins/PinState.h"
#include "view/BoardScene.h"

// The board view: a sunken frame that shows the board picture with the 80 pin markers,
// drawn with OpenGL from the capture it is given, on every paint (the picture itself is
// uploaded once per OpenGL context). A left click over a
// marker is reported as the marker's header position; the view's container decides what
// it asks of the board. Where no OpenGL context can be had the frame stays empty at the
// same size, and still takes clicks.
class BoardViewFrame : public QFrame {
    Q_OBJECT

public:
    // Creates the view at 0, 0 of parent, sized by its template.
    explicit BoardViewFrame(QWidget* parent = nullptr);
    ~BoardViewFrame() override;

    // Size of the client area inside the sunken edge, in logical pixels.
    static QSize ClientSize();

    // Whether the view draws the board; false for the empty stand-in without OpenGL.
    bool HasOpenGL() const { return m_hasOpenGL; }

    // The client area: the OpenGL surface or its stand-in.
    QWidget* ClientArea() const { return m_client; }

    // The capture the markers show; every pin undriven and reading high until one is given.
    const pins::Capture& ShownCapture() const { return m_capture; }
    // Shows capture from the next paint on, and asks for that paint.
    void ShowCapture(const pins::Capture& capture);

    // Asks for a repaint of the whole client area, without erasing.
    void InvalidateView();

    const view::BoardScene& Scene() const { return m_scene; }

    // Whether a compatibility-profile OpenGL context can be created and made current here.
    // A shown OpenGL widget without a usable context brings the whole program down, so the
    // view asks this before it makes one.
    static bool OpenGLAvailable();

    // Message handlers; the client area calls them.
    void OnCreateContext();
    void OnSize(int width, int height);
    void OnPaint();
    // A left-button press at point in client coordinates: over a pin marker the view
    // reports the marker's header position.
    virtual void OnLButtonDown(QPoint point);
    // A context-menu request over the view does nothing, and does not reach the parent.
    void OnContextMenu(QPoint point);

signals:
    void HeaderPositionClicked(int position);

private:
    void OnDestroy();

    QWidget* m_client = nullptr;
    bool m_hasOpenGL = false;
    pins::Capture m_capture;
    view::BoardScene m_scene;
};
