#pragma once

#include "link/DeviceWatcher.h"
#include "link/HidBackend.h"

class CMainDlg;

// The application object: runs the main window modally; the program ends when it closes.
class CToolApp {
public:
    CToolApp(usbio::HidBackend& backend, usbio::DeviceWatcher* watcher);
    ~CToolApp();

    // Returns false: no message loop runs after the main window has closed.
    bool InitInstance();

    CMainDlg* m_pMainWnd = nullptr;

private:
    usbio::DeviceWatcher* m_watcher;
};
