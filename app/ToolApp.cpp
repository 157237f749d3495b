#include "app/ToolApp.h"

#include "app/MainDlg.h"
#include "link/usbio.h"

CToolApp::CToolApp(usbio::HidBackend& backend, usbio::DeviceWatcher* watcher) : m_watcher(watcher)
{
    usbio::SetBackend(&backend);
}

CToolApp::~CToolApp()
{
    usbio::CloseBoardHandles();
    usbio::SetBackend(nullptr);
}

bool CToolApp::InitInstance()
{
    // Qt's controls need no common-control initialisation; the QApplication made in main()
    // stands for it.
    CMainDlg dlg(m_watcher);
    m_pMainWnd = &dlg;
    CDialog::SetApplicationWindow(&dlg);
    usbio::SetMainWindow(&dlg);
    dlg.DoModal();
    usbio::SetMainWindow(nullptr);
    CDialog::SetApplicationWindow(nullptr);
    m_pMainWnd = nullptr;
    return false;
}
