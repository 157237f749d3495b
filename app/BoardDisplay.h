#pragma once

#include <optional>
#include <string>

#include "app/MainWindowHost.h"
#include "board/Board.h"
#include "board/DownloadLog.h"

// The main window's words for what the board object answers: the boxes by the display
// rules of the opening, an attach and a download, the download's log lines, bar and message
// boxes, and the chain check's line. The window calls these on its UI thread, except the
// download's events, which come on the board's worker and reach the widgets through the
// host's reporter.

// On opening: serial number and file name as they came back, whatever the reads' status;
// date and cycles (signed) only when the whole block came back as read.
void ShowOpeningInfo(const board::InfoRead& read, BoardBoxes& boxes);
// On attach: every field that came back, cycles unsigned.
void ShowAttachInfo(const board::InfoRead& read, BoardBoxes& boxes);

// The log line of a chain check that did not find the chain usable (failed: why): notEnabled
// when the board said so or there is no board to ask, another line when it did not answer.
std::optional<std::string> ChainLine(const std::optional<board::Failure>& failed, const std::string& notEnabled);
std::optional<std::string> ChainLine(const board::Result<board::Done>& check, const std::string& notEnabled);

// The download's log lines into the activity log, its bar into the window's bar.
class DownloadEvents final : public board::DownloadLog {
public:
    explicit DownloadEvents(MainWindowHost& host) : DownloadLog(host.Clock()), m_host(host) {}

    bool StopRequested() override { return m_host.StopRequested(); }

private:
    void Line(const std::string& line) override { m_host.LogLine(line); }
    void BarStarts(std::size_t total) override { m_host.SetProgressRange(0, static_cast<int>(total)); }
    void BarAt(std::size_t done, std::size_t /*total*/) override { m_host.SetProgressPos(static_cast<int>(done)); }

    MainWindowHost& m_host;
};

// The end of a download: the message box of a file that cannot be used, or the three boxes
// as the board holds its block and the chain check's line.
void ShowDownloadResult(const board::Result<board::DownloadResult>& result, MainWindowHost& host);
