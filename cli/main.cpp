#include <unistd.h>

#include <exception>
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ExitCode.h"
#include "cli/Program.h"

int main(int argc, char** argv)
{
    try {
        return cli::RunProgram(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                               isatty(STDERR_FILENO) == 1);
    } catch (const std::exception& error) {
        std::cerr << cli::ProgramName << ": " << error.what() << '\n';
        return cli::ExitBoardFailed;
    }
}
