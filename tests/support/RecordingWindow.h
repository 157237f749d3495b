#pragma once

#include <string>
#include <vector>

#include "board/Board.h"
#include "link/BoardLink.h"
#include "link/Reporter.h"
#include "sim/SimBackend.h"

// What a main window shows, without widgets: it records what the board link logs, shows and
// asks, so it can be checked line by line.
class RecordingWindow : public boardlink::Reporter {
public:
    std::vector<std::string> log;
    std::vector<std::string> messageBoxes;  // "caption: text"
    std::vector<int> progress;
    int progressLower = 0;
    int progressUpper = 100;
    int registrations = 0;
    // Each data exchange: its direction (true: boxes to texts) and the exchanges made before it.
    struct Update {
        bool saveAndValidate;
        std::size_t exchangesBefore;
        bool operator==(const Update&) const = default;
    };
    std::vector<Update> updates;
    const sim::SimBackend* board = nullptr;

    void LogLine(std::string text) override { log.push_back(std::move(text)); }
    void LogTimestamped() override { log.push_back("<time>"); }
    // The main window registers for the board's notifications each time a search finds it.
    void RegisterBoardNotification() { ++registrations; }
    bool UpdateData(bool saveAndValidate)
    {
        updates.push_back({saveAndValidate, board != nullptr ? board->Received().size() : 0});
        return true;
    }
    void SetProgressRange(int lower, int upper) override
    {
        progressLower = lower;
        progressUpper = upper;
    }
    void SetProgressPos(int position) override { progress.push_back(position); }
    void MessageBox(const std::string& text, const std::string& caption) override
    {
        messageBoxes.push_back(caption + ": " + text);
    }
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
