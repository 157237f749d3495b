#include "cli/Program.h"

#include <fstream>
#include <memory>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/SimulatedBoards.h"

namespace cli {
namespace {

bool WriteSimDump(const SimulatedBoards& boards, const std::string& file, Console& console)
{
    std::ofstream stream(file);
    stream << boards.Dump().dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    if (stream.good())
        return true;
    ReportUsageError(console, "--sim-dump " + file + ": cannot be written");
    return false;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressShown)
{
    const ParsedCommandLine parsed = ParseCommandLine(args, out, err);
    if (!parsed.options)
        return parsed.exitCode;
    const Options& options = *parsed.options;

    Console console(out, err, progressShown);
    std::unique_ptr<SimulatedBoards> simulated;
    std::unique_ptr<BoardSource> hardware;
    BoardSource* source = nullptr;
    if (options.sim) {
        simulated = std::make_unique<SimulatedBoards>(*options.sim);
        source = simulated.get();
    } else {
        hardware = std::make_unique<HardwareBoards>();
        source = hardware.get();
    }

    Session session{options, *source, console};
    int exitCode = RunCommand(session);
    if (simulated && !options.simDumpFile.empty() && !WriteSimDump(*simulated, options.simDumpFile, console))
        exitCode = exitCode == ExitSuccess ? ExitUsageError : exitCode;
    return exitCode;
}

}  // namespace cli
