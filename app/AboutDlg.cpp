#include "app/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : CDialog(res::AboutDlgTemplate, nullptr) {}

void CAboutDlg::OnCommand(int id)
{
    if (id == IDOK)
        accept();
}
