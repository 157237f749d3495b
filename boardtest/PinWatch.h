#pragma once

#include <chrono>
#include <optional>

#include <QObject>
#include <QTimer>

#include "pins/PinState.h"

class BoardWorker;

// Captures all pins on a board again and again: at each step of a timer, one capture on the
// board's worker when it is idle, so that a capture never waits behind another operation
// and the watch never piles captures up behind a slow one. What a capture found is
// reported on the UI thread.
class PinWatch final : public QObject {
    Q_OBJECT
public:
    explicit PinWatch(BoardWorker& worker, QObject* parent = nullptr);

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

    BoardWorker& m_worker;
    QTimer m_timer;
    std::optional<pins::Capture> m_last;
};
