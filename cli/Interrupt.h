#pragma once

#include <chrono>
#include <csignal>

namespace cli {

// While it lives, Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) only set a flag
// that the running command polls between exchanges, so that it can put the board back
// before the program ends; SIGPIPE is ignored, so that output into a closed pipe shows as
// a failed write instead of ending the program on the spot. The previous handling comes
// back when it is destroyed.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool Requested();
    // Sleeps for the duration, or less when an interrupt comes.
    static void Sleep(std::chrono::steady_clock::duration duration);

private:
    struct sigaction m_previous[4];
};

}  // namespace cli
