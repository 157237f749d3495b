#pragma once

#include <functional>
#include <string>

#include "board/Board.h"
#include "board/LocalTime.h"
#include "link/Reporter.h"

// What the main window's boxes show of a board when they cannot show its data: before the
// board has been read, after it went away, or a field that did not come back.
inline constexpr const char* UnknownText = "<unknown>";

// The four texts that show the information block (the main window's boxes): the only copy
// of what they show.
struct BoardBoxes {
    std::string m_strSerial = UnknownText;
    std::string m_strLastProgrammed = UnknownText;
    std::string m_strFile = UnknownText;
    std::string m_strCycles = UnknownText;
};

// What the main window's handlers work on besides widgets: the board object, the clock of
// its stamped lines, the four stored texts, the data exchange, the activity log the board's
// link writes through, the progress bar, the user's message boxes, and where the board's
// operations run. CMainDlg is the one real host.
class MainWindowHost : public boardlink::Reporter, public BoardBoxes {
public:
    virtual board::Board& BoardObject() = 0;
    virtual const board::Clock& Clock() const = 0;
    virtual bool UpdateData(bool saveAndValidate) = 0;
    // Runs work with the board, then shown with its outcome on the window's thread. The
    // window runs work on the board's worker and holds device changes until shown has run;
    // a host without a worker runs both at once, in that order.
    virtual void RunOnBoard(std::function<void()> work, std::function<void()> shown) = 0;

    virtual void SetProgressRange(int lower, int upper) = 0;
    virtual void SetProgressPos(int position) = 0;
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // Whether the download should stop after the page in flight (the window is closing).
    virtual bool StopRequested() { return false; }
};
