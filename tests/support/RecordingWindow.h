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

// A board link on the simulated board, reporting to a recording main window.
class SimLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link.SetBoardFoundHandler([this] { window.RegisterBoardNotification(); });
        window.board = &board;
    }

    sim::SimBackend board;
    RecordingWindow window;
    // The board object on it, and its link reporting to the window.
    ::board::Board boardObject{board};
    boardlink::BoardLink& link = ReportingTo(boardObject.Link(), window);

private:
    static boardlink::BoardLink& ReportingTo(boardlink::BoardLink& link, boardlink::Reporter& reporter)
    {
        link.SetReporter(&reporter);
        return link;
    }
};
