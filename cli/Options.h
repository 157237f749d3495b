#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/BoardAccess.h"
#include "cli/SimulatedBoards.h"

namespace cli {

enum class Command { List, Info, Download, Pins, Drive, DriveAll, Release, Watch, Read };

// The command line, parsed.
struct Options {
    Command command = Command::List;
    std::string board;  // BOARD as typed; empty when not named
    bool json = false;

    // download
    std::string file;
    bool allBoards = false;
    std::optional<long> serial;
    std::vector<long> serialList;  // --serial-list: the blank boards' numbers, in port order
    bool verify = false;

    // read (file: where the configuration goes)
    bool force = false;

    // drive, drive-all
    int pin = 0;
    PinLevel level = PinLevel::High;

    // watch
    double rateHz = 10.0;

    // simulated boards instead of the real ones
    std::optional<SimSetup> sim;
    std::string simDumpFile;
};

}  // namespace cli
