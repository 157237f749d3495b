#include <exception>
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ExitCode.h"
#include "cli/Program.h"
#include "platform/Platform.h"

int main(int argc, char** argv)
{
    try {
        return cli::RunProgram(platform::Arguments(argc, argv), std::cout, std::cerr,
                               platform::ErrorTerminalDrawsProgress());
    } catch (const std::exception& error) {
        std::cerr << cli::ProgramName << ": " << error.what() << '\n';
        return cli::ExitBoardFailed;
    }
}
