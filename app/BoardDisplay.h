#pragma once

#include <optional>
#include <string>

#include "app/MainWindowHost.h"
#include "board/Board.h"

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

// The download's events as the window tells them: the read line, the bar, the information
// block's lines and the stamped end line.
class DownloadEvents final : public board::BoardObserver {
public:
    explicit DownloadEvents(MainWindowHost& host) : m_host(host) {}

    void FileRead(std::size_t bytes) override;
    void Progress(std::size_t done, std::size_t total) override;
    void BlockNotRead() override;
    void BlockWriteFailed(const std::optional<board::BoardInfo>& readBack) override;
    void FlashEnded(board::DownloadEnd end) override;
    bool StopRequested() override { return m_host.StopRequested(); }

private:
    MainWindowHost& m_host;
};

// The end of a download: the message box of a file that cannot be used, or the three boxes
// as the board holds its block and the chain check's line.
void ShowDownloadResult(const board::Result<board::DownloadResult>& result, MainWindowHost& host);
