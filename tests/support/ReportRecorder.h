#pragma once

#include <string>
#include <vector>

#include "sim/SimBackend.h"

// What a main window shows, without widgets, on top of the interface Base it is tested
// through: the lines its log would hold, the bar's range and positions, the message boxes it
// showed ("caption: text") and each data exchange with the exchanges the board had received
// before it.
template <class Base>
class ReportRecorder : public Base {
public:
    std::vector<std::string> log;
    std::vector<std::string> messageBoxes;
    std::vector<int> progress;
    int progressLower = 0;
    int progressUpper = 100;
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
    bool UpdateData(bool saveAndValidate)
    {
        updates.push_back({saveAndValidate, board != nullptr ? board->Received().size() : 0});
        return true;
    }
    void SetProgressRange(int lower, int upper)
    {
        progressLower = lower;
        progressUpper = upper;
    }
    void SetProgressPos(int position) { progress.push_back(position); }
    void MessageBox(const std::string& text, const std::string& caption)
    {
        messageBoxes.push_back(caption + ": " + text);
    }
};
