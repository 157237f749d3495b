#pragma once

#include <string>
#include <vector>

#include "board/Board.h"
#include "link/BoardLink.h"
#include "link/Reporter.h"
#include "sim/SimBackend.h"
#include "support/ReportRecorder.h"

// A main window's reporter, without widgets: it records what the board link logs, shows and
// asks, so it can be checked line by line, and each search that found the board.
class RecordingWindow : public ReportRecorder<boardlink::Reporter> {
public:
    int registrations = 0;
    // The main window registers for the board's notifications each time a search finds it.
    void RegisterBoardNotification() { ++registrations; }
};

// The simulated board, reporting to a recording main window: a board link on it for the
// link's own tests, and a board object for the operations' (each searches on its own).
class SimLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link.SetBoardFoundHandler([this] { window.RegisterBoardNotification(); });
        boardObject.SetReporter(&window);
        boardObject.SetBoardFoundHandler([this] { window.RegisterBoardNotification(); });
        window.board = &board;
    }

    sim::SimBackend board;
    RecordingWindow window;
    boardlink::BoardLink link{board, &window};
    ::board::Board boardObject{board};
};
