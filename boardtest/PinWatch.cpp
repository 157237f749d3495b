#include "boardtest/PinWatch.h"

#include "board/JtagTests.h"
#include "link/BoardLink.h"

PinWatch::PinWatch(boardlink::BoardLink& link, QObject* parent) : QObject(parent), m_link(link)
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
    if (m_last && !m_link.DeviceFound()) {
        Stop();
        emit BoardGone();
        return;
    }
    pins::Capture capture{};
    if (!board::CapturePins(m_link, capture)) {
        Stop();
        emit CaptureFailed();
        return;
    }
    // An unchanged board costs the window nothing: neither listing nor picture is redrawn.
    if (m_last == capture)
        return;
    m_last = capture;
    emit Captured(capture);
}
