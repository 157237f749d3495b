#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

// Whether the tests' boards are USB gadgets (TARVIK_BOARD_STACK=gadget) rather than uhid devices.
bool BoardOnGadgetStack();

// tarvik-uhid-board run as a child process: commands go to its standard input, its lines are
// read from its standard output.
class UhidBoardProcess {
public:
    explicit UhidBoardProcess(const std::vector<std::string>& arguments);
    // Ends the board (its devices leave) and waits for it.
    ~UhidBoardProcess();
    UhidBoardProcess(const UhidBoardProcess&) = delete;
    UhidBoardProcess& operator=(const UhidBoardProcess&) = delete;

    // The rest of the first line not yet taken that starts with prefix, or nullopt when none
    // came in time. Each line is taken once.
    std::optional<std::string> WaitFor(const std::string& prefix,
                                       std::chrono::milliseconds limit = std::chrono::seconds(30));
    // Sends one command and waits for its answer; true when it was carried out.
    bool Command(const std::string& command);
    // Sends the board process a signal.
    void Signal(int signal) const;
    // Every line so far, for failure messages.
    std::string Transcript() const;

private:
    bool ReadSome(std::chrono::milliseconds limit);
    std::optional<std::string> TakeLine(const std::function<bool(const std::string&)>& wanted,
                                        std::chrono::milliseconds limit);

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;  // every line, for the transcript
    std::list<std::string> m_unread;   // lines not taken yet
};
