#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/MainWindowHost.h"
#include "board/Board.h"
#include "board/LocalTime.h"
#include "sim/SimBackend.h"
#include "support/ReportRecorder.h"

// A main window without widgets: its board object on backend, the texts its boxes would show
// and what it would log, show and ask.
class RecordingHost final : public ReportRecorder<MainWindowHost> {
public:
    explicit RecordingHost(boardlink::HidBackend& backend, const board::Clock& clock = board::SystemTime)
        : m_board(backend, clock), m_clock(clock)
    {
        m_board.SetReporter(this);
        board = dynamic_cast<const sim::SimBackend*>(&backend);
    }

    board::Board& BoardObject() override { return m_board; }
    const board::Clock& Clock() const override { return m_clock; }
    bool UpdateData(bool saveAndValidate) override { return ReportRecorder::UpdateData(saveAndValidate); }
    void RunOnBoard(std::function<void()> work, std::function<void()> shown) override
    {
        work();
        shown();
    }

private:
    board::Board m_board;
    board::Clock m_clock;
};
