#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <utility>
#include <vector>

extern char** environ;

namespace clitest {
namespace {

// Reads what is there from fd into text; false at end of file.
bool Drain(int fd, std::string& text)
{
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    text.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::vector<std::string>& CliCommand()
{
    static std::vector<std::string> command = {TARVIK_CLI_PATH};
    return command;
}

}  // namespace

void SetCliCommand(std::vector<std::string> command) { CliCommand() = std::move(command); }

RunningCli::RunningCli(const std::vector<std::string>& args)
{
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

    std::vector<std::string> argv = CliCommand();
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    const int spawned = posix_spawn(&m_pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    m_outFd = outPipe[0];
    m_errFd = errPipe[0];
    if (spawned != 0)
        throw std::runtime_error("cannot start " + argv[0]);
}

RunningCli::~RunningCli()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_outFd >= 0)
        close(m_outFd);
    if (m_errFd >= 0)
        close(m_errFd);
}

void RunningCli::ReadAvailable(int timeoutMs)
{
    struct Stream {
        int* fd;
        std::string* text;
    };
    std::vector<Stream> open;
    std::vector<pollfd> fds;
    for (Stream stream : {Stream{&m_outFd, &m_run.out}, Stream{&m_errFd, &m_run.err}})
        if (*stream.fd >= 0) {
            open.push_back(stream);
            fds.push_back({*stream.fd, POLLIN, 0});
        }
    if (fds.empty() || poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return;
    for (std::size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents != 0 && !Drain(*open[i].fd, *open[i].text)) {
            close(*open[i].fd);
            *open[i].fd = -1;
        }
}

bool RunningCli::WaitForOutput(const std::string& text, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_run.out.find(text) == std::string::npos) {
        if (m_outFd < 0 || std::chrono::steady_clock::now() > end)
            return false;
        ReadAvailable(100);
    }
    return true;
}

void RunningCli::Signal(int signal) { kill(m_pid, signal); }

CliRun RunningCli::Finish()
{
    while (m_outFd >= 0 || m_errFd >= 0)
        ReadAvailable(-1);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_run;
}

CliRun RunCli(const std::vector<std::string>& args) { return RunningCli(args).Finish(); }

}  // namespace clitest
