#pragma once

#include <string>
#include <vector>

#include "app/MainWindowHost.h"
#include "board/LocalTime.h"
#include "link/BoardLink.h"

// A main window without widgets: its link to the board on backend, the texts its boxes would
// show and the lines its log would hold.
class RecordingHost final : public MainWindowHost {
public:
    explicit RecordingHost(boardlink::HidBackend& backend) : m_link(backend, this) {}

    std::vector<std::string> log;

    boardlink::BoardLink& Link() override { return m_link; }
    const board::Clock& Clock() const override { return m_clock; }
    bool UpdateData(bool) override { return true; }
    void LogLine(std::string text) override { log.push_back(std::move(text)); }
    void LogTimestamped() override { log.push_back("<time>"); }
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void MessageBox(const std::string&, const std::string&) override {}

private:
    board::Clock m_clock = board::SystemTime;
    boardlink::BoardLink m_link;
};
