#pragma once

namespace cli {

// What the program's exit status tells a script.
enum ExitCode : int {
    ExitSuccess = 0,
    ExitBoardFailed = 1,  // a board operation failed, or no board to work on
    ExitUsageError = 2,   // the command line is wrong; nothing was sent to a board
    ExitInterrupted = 130,  // stopped by Ctrl-C or SIGTERM; a download leaves a partial configuration
};

}  // namespace cli
