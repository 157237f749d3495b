#pragma once

#include "board/InfoBlock.h"
#include "board/LocalTime.h"
#include "link/BoardLink.h"
#include "link/Reporter.h"

// What the main window's handlers work on besides widgets: the board link, the clock of its
// stamped lines, the four stored texts, the data exchange, and the reporter the link writes
// through (the activity log, the progress bar and the user's message boxes). CMainDlg is
// the one real host.
class MainWindowHost : public boardlink::Reporter, public board::BoardTexts {
public:
    virtual boardlink::BoardLink& Link() = 0;
    virtual const board::Clock& Clock() const = 0;
    virtual bool UpdateData(bool saveAndValidate) = 0;
};
