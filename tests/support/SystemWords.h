#pragma once

#include <string>

#ifdef _WIN32
#include "platform/windows/WideText.h"
#endif

// The words of the system the tests run on, where a test names them: how it refuses a file
// that is not there or is a folder, and what lets a user open a board it keeps from them.
namespace systemwords {

#ifdef _WIN32
// Windows' own words (Wine has words of its own for the same code). 2 is ERROR_FILE_NOT_FOUND.
inline std::string NoSuchFile() { return platform::windows::SystemMessage(2); }
inline std::string IsAFolder() { return "Is a folder"; }
inline const std::string AccessFixBrief = "close other programs that use the board, replug it";
inline const std::string AccessFixFullStart = "close every other program that uses the board";
#else
inline std::string NoSuchFile() { return "No such file or directory"; }
inline std::string IsAFolder() { return "Is a directory"; }
inline const std::string AccessFixBrief =
    "install 69-tarvik-morvane.rules (sudo cmake --install <build dir>), replug the board";
inline const std::string AccessFixFullStart = "install the udev rule 69-tarvik-morvane.rules";
#endif

}  // namespace systemwords
