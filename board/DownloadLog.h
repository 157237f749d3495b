#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "board/Board.h"
#include "board/LocalTime.h"

// The download's log as every front end shows it: the lines its events make, in the order
// they happen, and the line of the chain check at its end. A front end says where the lines
// and the bar go; the words are the same in the window's activity log and on a terminal.
namespace board {

// "FPGA configuration successful", "FPGA configuration unsuccessful", or "Flash memory
// update unsuccessful" (also for a download stopped between pages: its flash update did not
// end either).
std::string DownloadEndText(DownloadEnd end);

// The line after the chain check that ended a download, when the chain was not found
// usable: "not enabled" when the board said so, "not checked" when it did not answer.
std::optional<std::string> DownloadChainLine(const DownloadResult& result);

class DownloadLog : public BoardObserver {
public:
    explicit DownloadLog(const Clock& clock) : m_clock(clock) {}

    void FileRead(std::size_t bytes) override;
    void Progress(std::size_t done, std::size_t total) override { BarAt(done, total); }
    void BlockNotRead() override;
    void BlockWriteFailed(const std::optional<BoardInfo>& readBack) override;
    void FlashEnded(DownloadEnd end) override;

protected:
    // One line of the log, as it happens.
    virtual void Line(const std::string& line) = 0;
    // The bar: the file was read and the pages start (total bytes of the area to write), then
    // done bytes of total written.
    virtual void BarStarts(std::size_t /*total*/) {}
    virtual void BarAt(std::size_t /*done*/, std::size_t /*total*/) {}

private:
    Clock m_clock;
};

}  // namespace board
