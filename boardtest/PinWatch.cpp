#include "boardtest/PinWatch.h"

#include <memory>

#include "board/Board.h"
#include "boardtest/BoardWorker.h"
#include "link/BoardLink.h"

PinWatch::PinWatch(BoardWorker& worker, QObject* parent) : QObject(parent), m_worker(worker)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PinWatch::Step);
}

void PinWatch::Start(std::chrono::milliseconds interval)
{
    m_last.reset();
    m_timer.start(interval);
}

void PinWatch::Stop() { m_timer.stop(); }

void PinWatch::Step()
{
    // A capture or another operation is still running: this step is skipped.
    if (!m_worker.Idle())
        return;
    board::Board& board = m_worker.Board();
    // Every successful capture leaves the board found; a link that no longer knows it was
    // told in between that the board went away. A capture now would search for it again.
    // The worker is idle, so the link may be looked at from here.
    if (m_last && !board.Found()) {
        Stop();
        emit BoardGone();
        return;
    }
    auto read = std::make_shared<std::optional<board::Result<pins::Capture>>>();
    m_worker.RunQuietly(this, [&board, read] { *read = board.CapturePins(); }, [this, read] {
        // Stopped while the capture ran: what it found is no longer asked for.
        if (!Running())
            return;
        const board::Result<pins::Capture>& result = **read;
        if (!result) {
            Stop();
            emit CaptureFailed();
            return;
        }
        const pins::Capture& capture = *result;
        // An unchanged board costs the window nothing: neither listing nor picture is redrawn.
        if (m_last == capture)
            return;
        m_last = capture;
        emit Captured(capture);
    });
}
