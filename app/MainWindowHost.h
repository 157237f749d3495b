#pragma once

#include <string>

#include "app/InfoBlock.h"
#include "link/usbio.h"

// What the main window's handlers work on besides widgets: the board link's log and
// notification owner, the four stored texts, the data exchange, the progress bar and the
// user's message boxes. CMainDlg is the one real host; the download and the attach
// handling are written against this, so they run the same in tests without a window.
class MainWindowHost : public usbio::LinkOwner, public BoardTexts {
public:
    virtual bool UpdateData(bool saveAndValidate) = 0;
    virtual void SetProgressRange(int lower, int upper) = 0;
    virtual void SetProgressPos(int position) = 0;
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
};
