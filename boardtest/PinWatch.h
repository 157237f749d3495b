#pragma once

#include <chrono>
#include <optional>

#include <QObject>
#include <QTimer>

#include "pins/PinState.h"

namespace board {
class Board;
}

// Captures all pins on a board again and again, one capture per step of the event
// loop on the thread that owns the link, so the link is never used by two at once and its
// reporter is only reached from that thread. Between two steps the event loop runs: the
// window stays responsive and the main window's own exchanges (an attach, a detach) find
// the link idle.
class PinWatch final : public QObject {
    Q_OBJECT
public:
    explicit PinWatch(board::Board& board, QObject* parent = nullptr);

    // Starts capturing, one capture at most every interval (zero: as fast as the board
    // answers). The first capture is always reported.
    void Start(std::chrono::milliseconds interval);
    void Stop();
    bool Running() const { return m_timer.isActive(); }

signals:
    // A capture that differs from the one before it.
    void Captured(const pins::Capture& capture);
    // A capture failed; the watch has stopped.
    void CaptureFailed();
    // The link forgot the board between two captures (it was unplugged); the watch has
    // stopped without asking anything of the link.
    void BoardGone();

private:
    void Step();

    board::Board& m_board;
    QTimer m_timer;
    std::optional<pins::Capture> m_last;
};
