#pragma once

#include <functional>

#include "link/DeviceWatcher.h"
#include "link/HidBackend.h"

class QWidget;

// The application object: runs the main window modally on the board behind backend; the
// program ends when the window closes.
class CToolApp {
public:
    CToolApp(boardlink::HidBackend& backend, boardlink::DeviceWatcher* watcher);

    // Called once the main window is on the screen, while it runs: the place for windows
    // that go beside it.
    void SetMainWindowShownHandler(std::function<void(QWidget&)> handler) { m_mainWindowShown = std::move(handler); }

    // Returns false: no message loop runs after the main window has closed.
    bool InitInstance();

private:
    boardlink::HidBackend& m_backend;
    boardlink::DeviceWatcher* m_watcher;
    std::function<void(QWidget&)> m_mainWindowShown;
};
