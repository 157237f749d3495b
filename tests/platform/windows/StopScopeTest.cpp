#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>

#include "platform/Platform.h"
#include "platform/windows/WideText.h"

namespace {

// A console of the test's own, so that a Ctrl-C can be sent to it (a program started with
// its output in pipes has none).
void OwnConsole()
{
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << platform::windows::SystemMessage(GetLastError());
}

TEST(StopScope, CtrlCAsksTheCommandToStopAndEndsItsSleep)
{
    OwnConsole();
    {
        platform::StopScope scope;
        EXPECT_FALSE(platform::StopScope::Requested());
        ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << platform::windows::SystemMessage(GetLastError());
        // Ends at the Ctrl-C; the limit only keeps a broken handler from holding the suite.
        platform::StopScope::Sleep(std::chrono::minutes(2));
        EXPECT_TRUE(platform::StopScope::Requested());
        // Once asked, a sleep returns at once.
        platform::StopScope::Sleep(std::chrono::hours(1));
    }
    // Without a scope, Ctrl-C would end the suite: it is ignored from here on.
    SetConsoleCtrlHandler(nullptr, TRUE);

    platform::StopScope next;
    EXPECT_FALSE(platform::StopScope::Requested()) << "a new scope starts without a stop";
}

}  // namespace
