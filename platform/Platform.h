#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace boardlink {
class HidBackend;
}  // namespace boardlink

// The one wall between Tarvik and the system it runs on. Each system has a folder of its
// own beside this header (linux/, windows/), and the build compiles exactly one of them;
// nothing above this header knows which. It names nothing of the project's but the device
// layer's interface (link/HidBackend.h), which each system's folder implements. Every path and every text here is UTF-8, and every
// file is read and written as bytes, whatever the system calls text.
namespace platform {

// A device layer for the real boards: the HID interfaces present, each with its USB port
// (HidInterfaceInfo::port), and the board's reports. A new one for each board link that
// works on a thread of its own, so that links share nothing.
std::unique_ptr<boardlink::HidBackend> NewHidBackend();

// A regular file opened for reading its bytes.
class InputFile {
public:
    // The file at path, or nullptr with the system's words for the refusal in cause ("No
    // such file or directory", "Is a directory", "Permission denied"). Anything but a
    // regular file (a folder, a named pipe, a device) is refused: it would block the
    // program or feed it endless data.
    static std::unique_ptr<InputFile> Open(const std::string& path, std::string& cause);

    virtual ~InputFile() = default;
    // Reads until count bytes or the end of the file: the number read, or nullopt with the
    // system's words in cause when a read failed.
    virtual std::optional<std::size_t> Read(uint8_t* into, std::size_t count, std::string& cause) = 0;
    // The file's length as the file system gives it when it was opened (0 for some
    // generated files that still have bytes).
    virtual uint64_t Size() const = 0;
};

// Why path cannot take a new file: it exists (and replace is false; existsText is then the
// answer), it is a folder or not a regular file, or its folder may not be written (the
// system's words). Empty when it can.
std::string SaveProblem(const std::string& path, bool replace, const std::string& existsText);

// Writes bytes into a new file in path's folder and gives it path's name once it holds
// every byte, so that a write that fails never leaves part of a file at path nor changes a
// file there. Without replace a file at path is left alone, also one that appeared after
// SaveProblem looked (existsText is then the answer). The problem when the file was not
// saved; empty when it was.
std::string SaveFile(const std::string& path, std::span<const uint8_t> bytes, bool replace,
                     const std::string& existsText);

// The local date and time of a moment.
std::tm LocalTime(std::time_t moment);

// While it lives, a stop asked from outside (Ctrl-C, and on Linux SIGTERM and a closed
// terminal) only sets a flag that the running command polls between exchanges, so that it
// can put the board back before the program ends; output into a closed pipe shows as a
// failed write instead of ending the program. One at a time in a process.
class StopScope {
public:
    StopScope();
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

    static bool Requested();
    // Sleeps for the duration, or less when a stop is asked.
    static void Sleep(std::chrono::steady_clock::duration duration);
};

// Whether progress may be drawn on standard error: it is a terminal that moves its cursor
// on the escape sequences ESC[nF (n lines up) and ESC[J (clear below). Asked once, before
// the first line is written (on Windows it switches the console to those sequences).
bool ErrorTerminalDrawsProgress();

// The program's arguments (without its name) as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// What lets a user open a board whose device the system keeps from them, for a line that
// says how to mend it: the first in the window's short form, the second in full.
struct AccessFix {
    std::string brief;
    std::string full;
};
AccessFix BoardAccessFix();

// The system's own words where the command line's help names its things.
struct HelpWords {
    std::string nodeExample;  // a board's device node, as the board search lists it
    std::string stopRequest;  // what asks a running program to stop, as Ctrl-C does
    std::string fileCauses;   // causes a message about a file may give
    std::string closedNode;   // why a board's node may not be opened
    std::string boardAccess;  // how the programs reach the board, and who may open it
};
HelpWords SystemHelpWords();

}  // namespace platform
