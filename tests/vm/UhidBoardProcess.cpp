#include "UhidBoardProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

extern char** environ;

bool BoardOnGadgetStack()
{
    const char* stack = std::getenv("TARVIK_BOARD_STACK");
    return stack != nullptr && std::string(stack) == "gadget";
}

UhidBoardProcess::UhidBoardProcess(const std::vector<std::string>& arguments)
{
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> argv = {TARVIK_UHID_BOARD};
    // TARVIK_BOARD_STACK=gadget: the board is a USB gadget on dummy_hcd instead of a uhid device,
    // on the first of the VM's controllers unless the test names one.
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (BoardOnGadgetStack()) {
        argv.insert(argv.begin() + 1, "--gadget");
        if (std::find(arguments.begin(), arguments.end(), "--udc") == arguments.end())
            argv.insert(argv.begin() + 2, {"--udc", "dummy_udc.0"});
    }
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    if (posix_spawn(&m_pid, TARVIK_UHID_BOARD, &actions, nullptr, pointers.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
}

UhidBoardProcess::~UhidBoardProcess()
{
    if (m_in >= 0)
        ::close(m_in);  // end of input ends the board
    if (m_pid > 0) {
        int status = 0;
        for (int i = 0; i < 500 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (::waitpid(m_pid, &status, WNOHANG) == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
    }
    if (m_out >= 0)
        ::close(m_out);
}

bool UhidBoardProcess::ReadSome(std::chrono::milliseconds limit)
{
    pollfd fd{m_out, POLLIN, 0};
    if (m_out < 0 || ::poll(&fd, 1, static_cast<int>(limit.count())) <= 0)
        return false;
    char chunk[1024];
    const ssize_t count = ::read(m_out, chunk, sizeof chunk);
    if (count <= 0)
        return false;
    m_pending.append(chunk, static_cast<std::size_t>(count));
    for (std::size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
        m_lines.push_back(m_pending.substr(0, end));
        m_unread.push_back(m_lines.back());
        m_pending.erase(0, end + 1);
    }
    return true;
}

std::optional<std::string> UhidBoardProcess::TakeLine(const std::function<bool(const std::string&)>& wanted,
                                                    std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        for (auto it = m_unread.begin(); it != m_unread.end(); ++it) {
            if (wanted(*it)) {
                std::string line = *it;
                m_unread.erase(it);
                return line;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(left))
            return std::nullopt;
    }
}

std::optional<std::string> UhidBoardProcess::WaitFor(const std::string& prefix, std::chrono::milliseconds limit)
{
    const auto line = TakeLine([&](const std::string& l) { return l.starts_with(prefix); }, limit);
    return line ? std::optional<std::string>(line->substr(prefix.size())) : std::nullopt;
}

bool UhidBoardProcess::Command(const std::string& command)
{
    const std::string line = command + "\n";
    if (m_in < 0 || ::write(m_in, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        return false;
    const auto answer = TakeLine([&](const std::string& l) { return l == "ok " + command || l.starts_with("error: "); },
                                 std::chrono::seconds(30));
    return answer && *answer == "ok " + command;
}

void UhidBoardProcess::Signal(int signal) const
{
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

std::string UhidBoardProcess::Transcript() const
{
    std::string text;
    for (const std::string& line : m_lines)
        text += line + "\n";
    return text + m_pending;
}
