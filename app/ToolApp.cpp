#include "app/ToolApp.h"

#include <QTimer>

#include "app/MainDlg.h"

CToolApp::CToolApp(boardlink::HidBackend& backend, boardlink::DeviceWatcher* watcher)
    : m_backend(backend), m_watcher(watcher)
{
}

bool CToolApp::InitInstance()
{
    // Qt's controls need no common-control initialisation; the QApplication made in main()
    // stands for it.
    CMainDlg dlg(m_backend, m_watcher);
    // The one registration of the main window: dialogs without a parent run over it.
    CDialog::SetApplicationWindow(&dlg);
    // The window is placed and shown inside DoModal; the handler runs from its event loop.
    if (m_mainWindowShown)
        QTimer::singleShot(0, &dlg, [this, &dlg] { m_mainWindowShown(dlg); });
    dlg.DoModal();
    CDialog::SetApplicationWindow(nullptr);
    return false;
}
