#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

// Runs the built tarvik-cli as its own process, as a user or a script does.
namespace clitest {

struct CliRun {
    int exitCode = -1;  // the exit status; -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

// Runs to the end and collects both outputs.
CliRun RunCli(const std::vector<std::string>& args);

#ifndef _WIN32
// The command the runs start, their arguments after it: by default the built tarvik-cli; a test
// may run another build of it instead, such as the Windows one under Wine. The first word is
// the program's path.
void SetCliCommand(std::vector<std::string> command);
#endif

// A run that the test steers while it goes: read its output, send it a signal.
class RunningCli {
public:
    explicit RunningCli(const std::vector<std::string>& args);
    ~RunningCli();
    RunningCli(const RunningCli&) = delete;
    RunningCli& operator=(const RunningCli&) = delete;

    // Reads standard output until it holds text; false when the program ended first or
    // nothing came within the time limit.
    bool WaitForOutput(const std::string& text, int timeoutMs = 20000);
    void Signal(int signal);
    // Waits for the end and collects the rest of both outputs.
    CliRun Finish();

private:
#ifdef _WIN32
    // The process, its two pipes and the threads that read them (CliProcessWindows.cpp).
    struct Process;
    std::unique_ptr<Process> m_process;
#else
    void ReadAvailable(int timeoutMs);

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
#endif
    CliRun m_run;
};

}  // namespace clitest
