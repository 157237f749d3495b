#include "app/ToolApp.h"

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
    dlg.DoModal();
    CDialog::SetApplicationWindow(nullptr);
    return false;
}
