#include "boardtest/PinWatch.h"

#include "board/Board.h"
#include "link/BoardLink.h"

PinWatch::PinWatch(board::Board& board, QObject* parent) : QObject(parent), m_board(board)
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
    // Every successful capture leaves the board found; a link that no longer knows it was
    // told in between that the board went away. A capture now would search for it again.
    if (m_last && !m_board.Link().DeviceFound()) {
        Stop();
        emit BoardGone();
        return;
    }
    const board::Result<pins::Capture> read = m_board.CapturePins();
    if (!read) {
        Stop();
        emit CaptureFailed();
        return;
    }
    const pins::Capture& capture = *read;
    // An unchanged board costs the window nothing: neither listing nor picture is redrawn.
    if (m_last == capture)
        return;
    m_last = capture;
    emit Captured(capture);
}
