#include <unistd.h>

#include "platform/Platform.h"
#include "platform/linux/HidapiBackend.h"
#include "platform/linux/UdevRule.h"

namespace platform {

std::unique_ptr<boardlink::HidBackend> NewHidBackend() { return std::make_unique<HidapiBackend>(); }

std::tm LocalTime(std::time_t moment)
{
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

bool ErrorTerminalDrawsProgress() { return ::isatty(STDERR_FILENO) == 1; }

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

AccessFix BoardAccessFix()
{
    const std::string rule(BoardUdevRuleFile);
    return {"install " + rule + " (sudo cmake --install <build dir>), replug the board",
            "install the udev rule " + rule +
                " (sudo cmake --install <build directory>, or the package), then unplug the board and plug it in again"};
}

HelpWords SystemHelpWords()
{
    return {"/dev/hidraw3 or hidraw3", "Ctrl-C or SIGTERM",
            "\"No such file or directory\", \"Is a directory\", \"Permission denied\"", "as without the udev rule",
            "reached through its hidraw node; the udev rule installed with the program lets the user logged in "
            "at the seat open it"};
}

}  // namespace platform
