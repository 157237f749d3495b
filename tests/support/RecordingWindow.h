#pragma once

#include <string>
#include <vector>

#include "app/MainWindowHost.h"
#include "link/usbio.h"
#include "sim/SimBackend.h"

// A main window without widgets: it records what the handlers log, show and ask, so the
// board link and the handlers can be checked line by line.
class RecordingWindow : public MainWindowHost {
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
    void RegisterBoardNotification() override { ++registrations; }
    bool UpdateData(bool saveAndValidate) override
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

// A board link on the simulated board with a recording main window, reset around each test.
class SimLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        usbio::ResetBoardLink();
        usbio::SetBackend(&board);
        usbio::SetMainWindow(&window);
        window.board = &board;
    }
    void TearDown() override
    {
        usbio::ResetBoardLink();
        usbio::SetMainWindow(nullptr);
        usbio::SetBackend(nullptr);
    }

    sim::SimBackend board;
    RecordingWindow window;
};
