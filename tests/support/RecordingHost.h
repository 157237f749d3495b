#pragma once

#include <string>
#include <vector>

#include "app/MainWindowHost.h"
#include "board/Board.h"
#include "board/LocalTime.h"
#include "link/BoardLink.h"
#include "sim/SimBackend.h"

// A main window without widgets: its board object on backend, the texts its boxes would
// show and the lines its log would hold, the bar's positions, the message boxes it showed
// ("caption: text") and each data exchange with the exchanges made before it.
class RecordingHost final : public MainWindowHost {
public:
    explicit RecordingHost(boardlink::HidBackend& backend, const board::Clock& clock = board::SystemTime)
        : m_board(backend, clock), m_clock(clock)
    {
        m_board.Link().SetReporter(this);
        m_sim = dynamic_cast<const sim::SimBackend*>(&backend);
    }

    std::vector<std::string> log;
    std::vector<std::string> messageBoxes;
    std::vector<int> progress;
    int progressLower = 0;
    int progressUpper = 100;
    struct Update {
        bool saveAndValidate;
        std::size_t exchangesBefore;
        bool operator==(const Update&) const = default;
    };
    std::vector<Update> updates;

    board::Board& BoardObject() override { return m_board; }
    const board::Clock& Clock() const override { return m_clock; }
    bool UpdateData(bool saveAndValidate) override
    {
        updates.push_back({saveAndValidate, m_sim != nullptr ? m_sim->Received().size() : 0});
        return true;
    }
    void LogLine(std::string text) override { log.push_back(std::move(text)); }
    void LogTimestamped() override { log.push_back("<time>"); }
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

private:
    board::Board m_board;
    board::Clock m_clock;
    const sim::SimBackend* m_sim = nullptr;
};
