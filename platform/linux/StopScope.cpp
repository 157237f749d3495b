#include <csignal>
#include <thread>

#include "platform/Platform.h"

namespace platform {
namespace {

// Set by the handler, read by the command: the handler does nothing else, as almost
// nothing is safe inside a signal handler (no board I/O, no output, no locks).
volatile std::sig_atomic_t InterruptFlag = 0;

constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handling before the scope began, brought back at its end: the three signals above,
// then SIGPIPE.
struct sigaction Previous[4];

extern "C" void OnInterrupt(int) { InterruptFlag = 1; }

}  // namespace

StopScope::StopScope()
{
    InterruptFlag = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(HandledSignals); ++i)
        sigaction(HandledSignals[i], &action, &Previous[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &Previous[3]);
}

StopScope::~StopScope()
{
    for (std::size_t i = 0; i < std::size(HandledSignals); ++i)
        sigaction(HandledSignals[i], &Previous[i], nullptr);
    sigaction(SIGPIPE, &Previous[3], nullptr);
}

bool StopScope::Requested() { return InterruptFlag != 0; }

void StopScope::Sleep(std::chrono::steady_clock::duration duration)
{
    // Short steps, so that an interrupt is seen within a few milliseconds.
    const auto end = std::chrono::steady_clock::now() + duration;
    while (!Requested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(5)));
    }
}

}  // namespace platform
