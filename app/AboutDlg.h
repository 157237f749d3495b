#pragma once

#include "dialog/Dialog.h"

// The About box: the icon, the program's name and version, and OK.
class CAboutDlg final : public CDialog {
    Q_OBJECT
public:
    CAboutDlg();

protected:
    void OnCommand(int id) override;
};
