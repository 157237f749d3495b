#include "cli/CommandLine.h"

#include <algorithm>

#include <CLI/CLI.hpp>

#include "board/Download.h"
#include "board/RbfFile.h"
#include "cli/ExitCode.h"
#include "platform/Platform.h"

#ifndef TARVIK_VERSION
#error "TARVIK_VERSION is set by the build"
#endif

namespace cli {
namespace {

constexpr const char* Description =
    "tarvik-cli: the Morvane FPGA board from a terminal. Lists the attached boards, shows a\n"
    "board's information block, downloads a configuration (.rbf) into one board or into every\n"
    "attached board at once, saves the configuration a board holds into a file, and tests the\n"
    "header pins over the boundary-scan chain.";

// Each command's synopsis and what it does: the subcommands' own help and the list of
// commands in --help (from which the manual page is made).
struct CommandHelp {
    const char* name;
    const char* synopsis;
    const char* description;
};
constexpr CommandHelp CommandHelps[] = {
    {"list", "list [--json]",
     "Every attached board: node, serial number, cycles, last programmed, last file, whether its "
     "boundary-scan chain answers; or why it cannot be opened, and the fix"},
    {"info", "info [BOARD] [--json]", "One board's information block"},
    {"download", "download FILE [BOARD | --all] [--serial N | --serial-list N,N,...] [--verify] [--json]",
     "Write a configuration file into the board's flash, as the window's Download does, and let the FPGA "
     "configure from it; --all: every attached board at once, with a summary at the end"},
    {"read", "read FILE [BOARD] [--force] [--json]",
     "Save the configuration the board holds into FILE, as the bytes a download of FILE writes, so that "
     "downloading FILE gives the same configuration; an existing FILE is overwritten only with --force"},
    {"pins", "pins [BOARD] [--json]", "Capture the header pins and list their states"},
    {"drive", "drive PIN high|low|hi-z [BOARD]", "Drive one header pin (by its FPGA pin number) high or low, or release it"},
    {"drive-all", "drive-all high|low [BOARD]", "Drive every header pin high or low"},
    {"release", "release [BOARD]", "Leave boundary-scan test mode: no pin is driven any more"},
    {"watch", "watch [BOARD] [--rate HZ]",
     "Capture again and again and print each change of a pin's state with the time, until interrupted"},
};

const CommandHelp& HelpOf(const char* name)
{
    for (const CommandHelp& help : CommandHelps)
        if (std::string_view(help.name) == name)
            return help;
    return CommandHelps[0];
}

// The notes after the commands; the system's own words (a node, Ctrl-C's companions, a file's
// causes) come from the platform.
std::string FooterNotes()
{
    const platform::HelpWords words = platform::SystemHelpWords();
    return "BOARD names a board by its serial number (TRK_00042 or 42) or by its device node\n(" + words.nodeExample +
           R"(). With one board attached it may be left out.

download --serial N gives a blank board (serial number 0) the number N instead of the
number the file name begins with; with --all the blank boards get N, N+1, ... in the order
of their USB ports, and a board that has a number keeps it. --serial-list N,N,... gives
the blank boards these numbers in turn (a lab's numbers, unique across its PCs); a list
with a number twice, a number an attached board carries, or fewer numbers than blank
boards writes nothing.

drive and drive-all leave the board in boundary-scan test mode, driving, until release;
watch leaves test mode however it ends (Ctrl-C included). The first )" +
           words.stopRequest + R"(
during download stops each board after the page in flight; the board then holds a partial
configuration until the file is downloaded again.

read saves the board's configuration area without the erased flash (bytes 0xFF) at its
end, since a download writes erased flash after the file's bytes: a file that ends in
bytes 0xFF is read back without them, and downloading either file gives the same flash.
The file appears whole or not at all: a read that fails or is stopped (Ctrl-C) writes no
file and leaves an existing one as it was. A board whose configuration area is all
erased holds no configuration: no file is written.

With --json, each board of download and the board of read give "failure", a key for
scripts beside the words of "result", and so does each board of list that could not be
read: null when it succeeded, else no-board, cannot-open (the node may not be opened),
no-reply (the board did not answer), not-done (it answered with another status),
refused, chain-not-usable, file-refused (the file cannot be a configuration) or stopped
(Ctrl-C); download adds verify-differs (the read-back differs from the file) and
file-changed (FILE changed while the boards were downloaded); read adds
no-configuration (the area is erased), beyond-file-limit (the area's last byte is not
erased flash, which no download writes) and file-not-written.

With --json, download gives "sha256", the SHA-256 digest of FILE: every board that is
"verified" holds exactly the bytes with that digest. A FILE that changes during the
download fails every board with file-changed.

Messages about a file give the system's cause, such as
)" + words.fileCauses + R"(.
JSON output is always valid: a name that is not UTF-8 is shown byte for byte as Latin-1,
as the window shows it.

Exit status: 0 success; 1 a board operation failed (or no board to work on, list
included); 2 the command line is wrong (nothing was sent to a board; read's FILE exists
without --force); 130 a download or read stopped by )" + words.stopRequest + R"(.

Examples:
  tarvik-cli list
  tarvik-cli download blink.rbf TRK_00042 --verify
  tarvik-cli download 101_lab3.rbf --all --serial 101
  tarvik-cli read lab3_start.rbf TRK_00042
  tarvik-cli --sim=4 --sim-fault no-reply@400 download blink.rbf --all)";
}

std::string Footer()
{
    std::string footer = "Commands:\n";
    for (const CommandHelp& help : CommandHelps)
        footer += std::string("  ") + help.synopsis + "\n      " + help.description + "\n";
    return footer + "\n" + FooterNotes();
}


struct Parser {
    Options options;
    int simCount = 0;
    unsigned simLatencyUs = 0;
    std::vector<std::string> faults;
    std::string level;
    std::string driveAllLevel;
};

// A subcommand that the command list of --help describes, not CLI11's own list.
CLI::App* AddCommand(CLI::App& app, const char* name)
{
    return app.add_subcommand(name, HelpOf(name).description)->group("");
}

void AddJson(CLI::App& command, Options& options)
{
    command.add_flag("--json", options.json, "Print the result as JSON on standard output");
}

void AddBoard(CLI::App& command, Options& options)
{
    command.add_option("BOARD", options.board, "Serial number (TRK_00042 or 42) or device node of the board");
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Parser p;
    Options& o = p.options;

    CLI::App app{Description, ProgramName};
    // Options begin with a dash everywhere. CLI11 would take any argument beginning with "/" for
    // an option on Windows, and refuse a board node or a file named from the root.
    app.allow_windows_style_options(false);
    app.footer(Footer());
    app.set_version_flag("-V,--version", std::string(ProgramName) + " " + TARVIK_VERSION);
    app.require_subcommand(1, 1);
    app.fallthrough();

    auto* sim = app.add_option("--sim", p.simCount, "Work on N simulated boards (serial numbers 42, 43, ...; default 1)")
                    ->expected(0, 1)
                    ->default_str("1")
                    ->type_name("[=N]")
                    ->group("Simulated boards")
                    ->check(CLI::Range(1, 64));
    app.add_option("--sim-fault", p.faults,
                   "Fault of the first simulated board at the given exchange (from 1); KIND: " + sim::LinkFaultList())
        ->type_name("KIND@EXCHANGE")
        ->group("Simulated boards")
        ->needs(sim);
    std::vector<int> blank, noPermission;
    app.add_option("--sim-blank", blank, "Simulated board K (from 1) has no serial number")
        ->type_name("K")
        ->group("Simulated boards")
        ->needs(sim);
    app.add_option("--sim-no-permission", noPermission,
                   "The node of simulated board K (from 1) may not be opened, " + platform::SystemHelpWords().closedNode)
        ->type_name("K")
        ->group("Simulated boards")
        ->needs(sim);
    bool portsReversed = false;
    app.add_flag("--sim-ports-reversed", portsReversed,
                 "Simulated board 1 sits in the last USB port, board 2 in the one before, and so on")
        ->group("Simulated boards")
        ->needs(sim);
    app.add_option("--sim-latency", p.simLatencyUs,
                   "Each exchange with a simulated board takes US microseconds, as over a real USB link")
        ->type_name("US")
        ->group("Simulated boards")
        ->check(CLI::Range(0u, 1000000u))
        ->needs(sim);
    std::string simConfig;
    app.add_option("--sim-config", simConfig,
                   "Every simulated board holds the configuration FILE, as a download of it leaves the flash")
        ->type_name("FILE")
        ->group("Simulated boards")
        ->needs(sim);
    std::optional<std::string> simFileName;
    app.add_option("--sim-file-name", simFileName,
                   "Every simulated board's information block holds NAME as its last file name, byte for byte "
                   "(at most 99 bytes are kept)")
        ->type_name("NAME")
        ->group("Simulated boards")
        ->needs(sim);
    app.add_option("--sim-dump", o.simDumpFile,
                   "At exit, write each simulated board's state and the commands it received to FILE as JSON")
        ->type_name("FILE")
        ->group("Simulated boards")
        ->needs(sim);

    auto* list = AddCommand(app, "list");
    AddJson(*list, o);

    auto* info = AddCommand(app, "info");
    AddBoard(*info, o);
    AddJson(*info, o);

    auto* download = AddCommand(app, "download");
    download->add_option("FILE", o.file, "Configuration file (.rbf)")->required();
    auto* downloadBoard =
        download->add_option("BOARD", o.board, "Serial number (TRK_00042 or 42) or device node of the board");
    download->add_flag("--all", o.allBoards, "Every attached board at once")->excludes(downloadBoard);
    auto* serial = download->add_option("--serial", o.serial, "Number for a blank board (with --all: N, N+1, ... by USB port)")
                       ->type_name("N")
                       ->check(CLI::Range(1, 65535));
    download
        ->add_option("--serial-list", o.serialList,
                     "Numbers for the blank boards, taken in turn in the order of their USB ports")
        ->type_name("N,N,...")
        ->delimiter(',')
        ->excludes(serial);
    download->add_flag("--verify", o.verify, "Read every written page back and compare it with the file");
    AddJson(*download, o);

    auto* read = AddCommand(app, "read");
    read->add_option("FILE", o.file, "File that takes the configuration (.rbf)")->required();
    AddBoard(*read, o);
    read->add_flag("--force", o.force, "Overwrite FILE when it exists");
    AddJson(*read, o);

    auto* pins = AddCommand(app, "pins");
    AddBoard(*pins, o);
    AddJson(*pins, o);

    auto* drive = AddCommand(app, "drive");
    drive->add_option("PIN", o.pin, "FPGA pin number of a header pin")->required();
    drive->add_option("LEVEL", p.level, "high, low or hi-z")
        ->required()
        ->transform(CLI::IsMember({"high", "low", "hi-z"}, CLI::ignore_case));
    AddBoard(*drive, o);

    auto* driveAll = AddCommand(app, "drive-all");
    driveAll->add_option("LEVEL", p.driveAllLevel, "high or low")
        ->required()
        ->transform(CLI::IsMember({"high", "low"}, CLI::ignore_case));
    AddBoard(*driveAll, o);

    auto* release = AddCommand(app, "release");
    AddBoard(*release, o);

    auto* watch = AddCommand(app, "watch");
    AddBoard(*watch, o);
    watch->add_option("--rate", o.rateHz, "Captures per second at most (default 10)")
        ->type_name("HZ")
        ->check(CLI::Range(0.1, 1000.0));

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return {std::nullopt, ExitSuccess};
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return {std::nullopt, ExitSuccess};
    } catch (const CLI::CallForVersion&) {
        out << app.version() << '\n';
        return {std::nullopt, ExitSuccess};
    } catch (const CLI::ParseError& error) {
        // A mistyped command is left over as an argument nothing took; name it rather than
        // report a missing command.
        const std::vector<std::string> left = app.remaining();
        if (app.get_subcommands().empty() && !left.empty())
            err << ProgramName << ": unknown command '" << left.front() << "'";
        else
            err << ProgramName << ": " << error.what();
        err << "\n(" << ProgramName << " --help lists the commands)\n";
        return {std::nullopt, ExitUsageError};
    }

    const CLI::App* chosen = app.get_subcommands().front();
    const std::string name = chosen->get_name();
    o.command = name == "list"        ? Command::List
                : name == "info"      ? Command::Info
                : name == "download"  ? Command::Download
                : name == "pins"      ? Command::Pins
                : name == "drive"     ? Command::Drive
                : name == "drive-all" ? Command::DriveAll
                : name == "release"   ? Command::Release
                : name == "read"      ? Command::Read
                                      : Command::Watch;
    o.level = p.level == "low" ? PinLevel::Low : p.level == "hi-z" ? PinLevel::HiZ : PinLevel::High;
    if (o.command == Command::DriveAll)
        o.level = p.driveAllLevel == "low" ? PinLevel::Low : PinLevel::High;

    if (sim->count() > 0) {
        SimSetup setup;
        setup.count = p.simCount;
        setup.latencyUs = p.simLatencyUs;
        setup.blank = blank;
        setup.noPermission = noPermission;
        setup.portsReversed = portsReversed;
        for (const std::string& text : p.faults) {
            const ParsedSimFault parsed = ParseSimFault(text);
            if (!parsed.fault) {
                err << ProgramName << ": --sim-fault " << parsed.error << '\n';
                return {std::nullopt, ExitUsageError};
            }
            for (const SimFault& planned : setup.faults)
                if (planned.exchange == parsed.fault->exchange) {
                    err << ProgramName << ": --sim-fault " << text << ": exchange " << planned.exchange
                        << " has a fault already; the board takes one fault per exchange\n";
                    return {std::nullopt, ExitUsageError};
                }
            setup.faults.push_back(*parsed.fault);
        }
        for (const auto& [option, boards] : {std::pair{"--sim-blank", &blank}, {"--sim-no-permission", &noPermission}})
            for (int k : *boards)
                if (k < 1 || k > setup.count) {
                    err << ProgramName << ": " << option << " " << k << ": there are simulated boards 1 to "
                        << setup.count << '\n';
                    return {std::nullopt, ExitUsageError};
                }
        if (!simConfig.empty()) {
            // Read as a download reads it, but as far as the whole area, so that a board can
            // hold what no download writes.
            setup.configuration.assign(board::ConfigAreaSize, 0xFF);
            std::string cause;
            const std::optional<board::RbfFileContents> file = board::ReadRbfFile(simConfig, setup.configuration, &cause);
            if (!file || !file->onlyErasedPastBuffer) {
                err << ProgramName << ": --sim-config " << simConfig << ": "
                    << (file ? "longer than the configuration area" : cause) << '\n';
                return {std::nullopt, ExitUsageError};
            }
            setup.configuration.resize(file->count);
        }
        setup.fileName = simFileName;
        setup.record = !o.simDumpFile.empty();
        o.sim = setup;
    }
    return {o, ExitSuccess};
}

}  // namespace cli
