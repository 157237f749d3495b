#include <windows.h>

#include <atomic>
#include <limits>

#include "platform/Platform.h"

// Ctrl-C and Ctrl-Break reach a console program as calls of its console control handler,
// on a thread the system starts for them. The handler only sets the flag the running command
// polls and wakes a sleep; the command then puts the board back and ends as it would.
namespace platform {
namespace {

std::atomic<bool> StopFlag{false};
// Made once and kept for the life of the process: a handler thread may still wait on them
// after the scope has ended.
HANDLE StopAsked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE ScopeEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        StopFlag = true;
        SetEvent(StopAsked);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the process as soon as this returns (or a few seconds after the
        // console closed): until then, the command has the time to put the board back.
        StopFlag = true;
        SetEvent(StopAsked);
        WaitForSingleObject(ScopeEnded, INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

StopScope::StopScope()
{
    StopFlag = false;
    ResetEvent(StopAsked);
    ResetEvent(ScopeEnded);
    // A program started in a new process group begins with Ctrl-C ignored; the scope wants it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopScope::~StopScope()
{
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    SetEvent(ScopeEnded);
}

bool StopScope::Requested() { return StopFlag; }

void StopScope::Sleep(std::chrono::steady_clock::duration duration)
{
    if (duration <= std::chrono::steady_clock::duration::zero() || Requested())
        return;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    // INFINITE is one more than the longest wait that ends.
    const auto limit = static_cast<long long>(INFINITE - 1);
    WaitForSingleObject(StopAsked, static_cast<DWORD>(std::min<long long>(milliseconds, limit)));
}

}  // namespace platform
