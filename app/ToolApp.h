#pragma once

#include "link/DeviceWatcher.h"
#include "link/HidBackend.h"

// The application object: runs the main window modally on the board behind backend; the
// program ends when the window closes.
class CToolApp {
public:
    CToolApp(boardlink::HidBackend& backend, boardlink::DeviceWatcher* watcher);

    // Returns false: no message loop runs after the main window has closed.
    bool InitInstance();

private:
    boardlink::HidBackend& m_backend;
    boardlink::DeviceWatcher* m_watcher;
};
