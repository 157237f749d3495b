#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "CliProcess.h"
#include "board/Download.h"
#include "cli/Program.h"
#include "cli/Sha256.h"
#include "cli/SimFault.h"
#include "support/SystemWords.h"

// tarvik-cli run as a process on simulated boards: what a user or a script sees of it.
namespace {

using clitest::CliRun;
using clitest::RunCli;
using nlohmann::json;

class CliProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("tarvik-cli-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        // A configuration of 300 bytes: three pages and a part, the rest of the area erased.
        std::ofstream file(ConfigFile(), std::ios::binary);
        for (int i = 0; i < 300; ++i)
            file.put(static_cast<char>(i * 7 + 3));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string ConfigFile() const { return (m_dir / "blink.rbf").string(); }
    std::string DumpFile() const { return (m_dir / "dump.json").string(); }
    json Dump() const
    {
        std::ifstream stream(DumpFile());
        return json::parse(stream);
    }

    std::filesystem::path m_dir;
};

using Bytes = std::vector<uint8_t>;

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// The names in a folder: a read that failed leaves no file of its own behind.
std::vector<std::string> Names(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes Pattern(std::size_t size, uint8_t last)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + i / 256 + 1);
    if (size > 0)
        bytes.back() = last;
    return bytes;
}

json ParseOut(const CliRun& run)
{
    EXPECT_TRUE(json::accept(run.out)) << run.out << run.err;
    return json::parse(run.out, nullptr, false);
}

struct ExitCase {
    const char* what;
    std::vector<std::string> args;
    int exitCode;
    std::string errText;  // a piece of the message on standard error ("" when none expected)
};

TEST_F(CliProgram, ExitStatusAndMessageTellWhatWentWrong)
{
    const std::string missing = (m_dir / "missing.rbf").string();
    const ExitCase cases[] = {
        {"list", {"--sim", "list"}, 0, ""},
        {"version", {"--version"}, 0, ""},
        {"unknown command", {"--sim", "flash"}, 2, "flash"},
        {"mistyped command named", {"--sim=1", "flahs"}, 2, "unknown command 'flahs'"},
        {"no command", {"--sim"}, 2, "--help"},
        {"several boards, none named", {"--sim=2", "info"}, 2, "/dev/hidraw-sim0 (TRK_00042), /dev/hidraw-sim1 (TRK_00043)"},
        {"serial number out of range", {"--sim", "info", "TRK_70000"}, 2, "0 to 65535"},
        {"board not attached", {"--sim=2", "info", "TRK_00099"}, 1, "TRK_00099 is not attached"},
        {"pin not on the header", {"--sim", "drive", "4", "high"}, 2, "Illegal pin choice"},
        {"level unknown", {"--sim", "drive", "23", "sideways"}, 2, "sideways"},
        {"board and --all", {"--sim=2", "download", "x.rbf", "42", "--all"}, 2, "--all"},
        {"fault kind unknown", {"--sim", "--sim-fault", "smoke@3", "list"}, 2, "no-reply, late-reply"},
        {"fault at exchange 0", {"--sim", "--sim-fault", "no-reply@0", "list"}, 2, "from 1"},
        {"fault without --sim", {"--sim-fault", "no-reply@3", "list"}, 2, "--sim"},
        {"file that cannot be opened", {"--sim", "download", missing}, 1, "missing.rbf: " + systemwords::NoSuchFile()},
        {"folder for a file", {"--sim", "download", m_dir.string()}, 1, ": " + systemwords::IsAFolder()},
        {"node without permission",
         {"--sim", "--sim-no-permission", "1", "info"},
         1,
         "board /dev/hidraw-sim0: cannot be opened: Permission denied; fix: " + systemwords::AccessFixFullStart},
        {"reply lost", {"--sim", "--sim-fault", "no-reply@2", "info"}, 1, "board /dev/hidraw-sim0: information block not read: the board did not answer ReadMemory"},
        {"serial number taken", {"--sim=2", "--sim-blank", "1", "download", ConfigFile(), "--all", "--serial", "43"}, 2,
         "TRK_00043 is already the number of the board at /dev/hidraw-sim1"},
        {"serial list too short", {"--sim=2", "--sim-blank", "1", "--sim-blank", "2", "download", ConfigFile(), "--all",
                                   "--serial-list", "7"}, 2, "1 numbers for 2 blank boards"},
        {"serial and serial list", {"--sim", "download", ConfigFile(), "--serial", "7", "--serial-list", "8"}, 2,
         "excludes"},
    };
    for (const ExitCase& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errText), std::string::npos) << c.what << "\n" << run.err;
    }
}

TEST_F(CliProgram, HelpListsEveryCommand)
{
    // The manual page is made from this text.
    const CliRun run = RunCli({"--help"});
    ASSERT_EQ(run.exitCode, 0);
    for (const char* synopsis : {"list [--json]", "info [BOARD] [--json]",
                                 "download FILE [BOARD | --all] [--serial N | --serial-list N,N,...] [--verify] [--json]",
                                 "pins [BOARD] [--json]", "drive PIN high|low|hi-z [BOARD]", "drive-all high|low [BOARD]",
                                 "release [BOARD]", "watch [BOARD] [--rate HZ]", "read FILE [BOARD] [--force] [--json]"})
        EXPECT_NE(run.out.find(std::string("\n  ") + synopsis + "\n"), std::string::npos) << synopsis;
    EXPECT_NE(run.out.find("Exit status: 0"), std::string::npos);
}

TEST_F(CliProgram, NothingIsSentForATypingError)
{
    // A pin that is not on the header, and a file name that names no file: no board's FPGA is
    // held for either.
    const std::string missing = (m_dir / "missing.rbf").string();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"drive", "4", "high"}, {"download", missing, "--all"}}) {
        std::vector<std::string> args = {"--sim=2", "--sim-dump", DumpFile()};
        args.insert(args.end(), command.begin(), command.end());
        const CliRun run = RunCli(args);
        EXPECT_NE(run.exitCode, 0) << command[0];
        const json dump = Dump();
        for (const json& board : dump["boards"])
            EXPECT_TRUE(board["commands"].empty()) << command[0];
    }
}

TEST_F(CliProgram, ListAndInfoInJson)
{
    const CliRun list = RunCli({"--sim=3", "--sim-blank", "2", "--sim-no-permission", "3", "list", "--json"});
    EXPECT_EQ(list.exitCode, 1) << "a board that cannot be opened fails the listing";
    const json boards = ParseOut(list)["boards"];
    ASSERT_EQ(boards.size(), 3u);
    EXPECT_EQ(boards[0]["node"], "/dev/hidraw-sim0");
    EXPECT_EQ(boards[0]["serial"], 42);
    EXPECT_EQ(boards[0]["serial_text"], "TRK_00042");
    EXPECT_EQ(boards[0]["cycles"], 7);
    EXPECT_EQ(boards[0]["last_programmed"], "2026-11-28T09:30:05");
    EXPECT_EQ(boards[0]["last_file"], "/home/student/morvane/blink.rbf");
    EXPECT_EQ(boards[0]["jtag_chain"], true);
    EXPECT_EQ(boards[0]["port"], "1-1");
    EXPECT_EQ(boards[1]["serial"], 0);
    EXPECT_EQ(boards[2]["error"], "cannot be opened: Permission denied");
    EXPECT_EQ(boards[2]["fix"].get<std::string>().rfind(systemwords::AccessFixFullStart, 0), 0u);

    // The last file name is shown byte for byte as the board holds it, whatever it holds.
    const std::string hostile = "=HYPERLINK(\"x\")\n<script>|";
    const CliRun named = RunCli({"--sim", "--sim-file-name", hostile, "list", "--json"});
    EXPECT_EQ(ParseOut(named)["boards"][0]["last_file"], hostile);

    for (const char* name : {"43", "TRK_00043", "hidraw-sim1", "/dev/hidraw-sim1"}) {
        const CliRun info = RunCli({"--sim=2", "info", name, "--json"});
        EXPECT_EQ(info.exitCode, 0) << name << info.err;
        EXPECT_EQ(ParseOut(info)["node"], "/dev/hidraw-sim1") << name;
    }
}

TEST_F(CliProgram, InfoShowsTheWindowsTexts)
{
    const CliRun run = RunCli({"--sim", "info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Board serial number: TRK_00042\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Last programmed:     11/28/2026 at 09:30:05\n"), std::string::npos) << run.out;
}

TEST_F(CliProgram, PinsListedAndInJson)
{
    const CliRun text = RunCli({"--sim", "pins"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Capture result:     H,L => driven    1,0 => not driven\n\n"
                             " P023:1 P022:1 P021:1 P016:1 P015:1 P014:1 P012:1 P011:1\n",
                             0),
              0u)
        << text.out;

    const CliRun run = RunCli({"--sim", "pins", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json pins = ParseOut(run)["pins"];
    ASSERT_EQ(pins.size(), 80u);
    EXPECT_EQ(pins[0], json({{"position", 0}, {"pin", 23}, {"label", "P023"}, {"state", "1"}, {"driven", false}}));
    EXPECT_EQ(pins[39]["label"], "In92");
}

TEST_F(CliProgram, DriveLeavesTheBoardDrivingUntilRelease)
{
    const CliRun drive = RunCli({"--sim", "--sim-dump", DumpFile(), "drive", "23", "LOW"});
    ASSERT_EQ(drive.exitCode, 0) << drive.err;
    EXPECT_EQ(drive.out, "Pin 23 is now low.\n");
    EXPECT_EQ(Dump()["boards"][0]["commands"], json({"DrivePinLow"}));
    EXPECT_EQ(Dump()["boards"][0]["test_mode"], true);

    const CliRun release = RunCli({"--sim", "--sim-dump", DumpFile(), "release"});
    ASSERT_EQ(release.exitCode, 0) << release.err;
    EXPECT_EQ(Dump()["boards"][0]["commands"], json({"LeaveTestMode"}));
}

TEST_F(CliProgram, DownloadOnOneBoardWithReadBack)
{
    const CliRun run = RunCli({"--sim", "--sim-dump", DumpFile(), "download", ConfigFile(), "--verify", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json result = ParseOut(run);
    EXPECT_EQ(result["file"], ConfigFile());
    ASSERT_EQ(result["boards"].size(), 1u);
    const json& board = result["boards"][0];
    EXPECT_EQ(board["succeeded"], true);
    EXPECT_EQ(board["result"], "FPGA configuration successful");
    EXPECT_EQ(board["serial_text"], "TRK_00042");
    EXPECT_EQ(board["verified"], true);
    EXPECT_EQ(board["first_difference"], nullptr);
    EXPECT_EQ(board["port"], "1-1");
    EXPECT_EQ(board["log"][0], "  Read 300 bytes from RBF file");
    EXPECT_EQ(result["sha256"], cli::Sha256Hex(ReadBytes(ConfigFile())));
    // The window's download (783 exchanges), then three reads for each of the 256 pages.
    EXPECT_EQ(Dump()["boards"][0]["commands"].size(), 783u + 3u * 256u);
    // Log lines go to standard error when standard output carries the JSON; no progress bar
    // is drawn into a pipe.
    EXPECT_NE(run.err.find("FPGA configuration successful"), std::string::npos);
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
}

// Windows names are UTF-16: a name that is not UTF-8 cannot reach the program there.
#ifndef _WIN32
TEST_F(CliProgram, JsonStaysValidForANameThatIsNotUtf8)
{
    // A Latin-1 name: programmed, reported as success, the name shown as the window shows it.
    const std::string latin1 = (m_dir / "caf\xe9.rbf").string();
    std::filesystem::copy_file(ConfigFile(), latin1);
    const CliRun run = RunCli({"--sim", "--sim-dump", DumpFile(), "download", latin1, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string shown = (m_dir / "caf\xc3\xa9.rbf").string();
    EXPECT_EQ(ParseOut(run)["file"], shown);
}
#endif

std::string Utf8Name(const std::filesystem::path& path)
{
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

// Names outside ASCII (on Windows they reach the program through its wide calls alone), and
// bytes that a text-mode read would cut short (0x1A) or change (CR LF): the download reads
// every byte under such a name, and read writes them back under another.
TEST_F(CliProgram, EveryByteUnderANameOutsideAscii)
{
    Bytes bytes = Pattern(2000, 0x0D);
    for (std::size_t at : {0u, 393u, 1999u - 5u})
        bytes[at] = 0x1A;
    bytes[10] = 0x0D;
    bytes[11] = 0x0A;
    bytes[500] = 0x0A;
    const std::string source = Utf8Name(m_dir / std::filesystem::path(u8"\u00dcbung 3 \u2013 Z\u00e4hler \u03bb.rbf"));
    const std::string saved = Utf8Name(m_dir / std::filesystem::path(u8"gelesen \u00df \u0436.rbf"));
    WriteBytes(std::filesystem::path(std::u8string(source.begin(), source.end())), bytes);

    const CliRun download = RunCli({"--sim", "download", source, "--json"});
    ASSERT_EQ(download.exitCode, 0) << download.err;
    const json result = ParseOut(download);
    EXPECT_EQ(result["file"], source);
    EXPECT_EQ(result["boards"][0]["log"][0], "  Read 2000 bytes from RBF file");

    const CliRun read = RunCli({"--sim", "--sim-config", source, "read", saved});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(ReadBytes(std::filesystem::path(std::u8string(saved.begin(), saved.end()))), bytes);
}

TEST_F(CliProgram, AFailingBoardNeverStopsTheOthers)
{
    // The first board meets the fault at a page write halfway through; the other three are
    // programmed and read back all the same.
    for (const sim::LinkFaultName& kind : sim::LinkFaultNames) {
        const std::string fault = std::string(kind.name) + "@400";
        const CliRun run = RunCli({"--sim=4", "--sim-fault", fault, "download", ConfigFile(), "--all", "--verify", "--json"});
        EXPECT_EQ(run.exitCode, 1) << fault;
        const json result = ParseOut(run);
        ASSERT_EQ(result["boards"].size(), 4u) << fault;
        EXPECT_EQ(result["succeeded"], 3) << fault;
        EXPECT_EQ(result["failed"], 1) << fault;
        const json& failed = result["boards"][0];
        EXPECT_EQ(failed["succeeded"], false) << fault;
        EXPECT_EQ(failed["result"].get<std::string>().rfind("Flash memory update unsuccessful", 0), 0u) << fault;
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(result["boards"][i]["succeeded"], true) << fault << " board " << i;
            EXPECT_EQ(result["boards"][i]["verified"], true) << fault << " board " << i;
        }
        EXPECT_NE(run.err.find("tarvik-cli: board /dev/hidraw-sim0: Flash memory update unsuccessful"), std::string::npos)
            << fault << "\n" << run.err;
    }
    // The failure that ended the flash work is the cause given.
    const CliRun run = RunCli({"--sim=2", "--sim-fault", "no-reply@400", "download", ConfigFile(), "--all", "--json"});
    EXPECT_EQ(ParseOut(run)["boards"][0]["result"], "Flash memory update unsuccessful (the board did not answer ProgramPage)");
}

// Each failed board's reason as a key a script can compare, beside the words of "result".
TEST_F(CliProgram, FailedBoardsGiveTheirReasonAsAKey)
{
    const std::string tooLong = (m_dir / "big.rbf").string();
    WriteBytes(tooLong, Pattern(40000, 1));
    // A download of the 300-byte file on one board: exchange 1 holds the FPGA, 2 to 7 read
    // the information block, 8 to 775 write the pages, 776 to 781 the record, 782 releases
    // the FPGA, 783 checks the chain; the read-back follows.
    const struct {
        const char* what;
        std::vector<std::string> sim;
        std::string file;
        json failure;
    } rows[] = {
        {"programmed", {}, ConfigFile(), nullptr},
        {"reply lost at a page", {"--sim-fault", "no-reply@400"}, ConfigFile(), "no-reply"},
        {"page refused", {"--sim-fault", "refused@400"}, ConfigFile(), "not-done"},
        {"FPGA not configured", {"--sim-fault", "refused@782"}, ConfigFile(), "not-done"},
        {"read-back lost", {"--sim-fault", "no-reply@800"}, ConfigFile(), "no-reply"},
        {"node may not be opened", {"--sim-no-permission", "1"}, ConfigFile(), "cannot-open"},
        {"file too long", {}, tooLong, "file-refused"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"--sim"};
        args.insert(args.end(), row.sim.begin(), row.sim.end());
        args.insert(args.end(), {"download", row.file, "--all", "--verify", "--json"});
        const CliRun run = RunCli(args);
        const json board = ParseOut(run)["boards"][0];
        EXPECT_EQ(board["failure"], row.failure) << row.what << "\n" << board.dump();
        EXPECT_EQ(board["succeeded"], row.failure == nullptr) << row.what;
    }

    const CliRun list = RunCli({"--sim=3", "--sim-fault", "no-reply@2", "--sim-no-permission", "2", "list", "--json"});
    const json boards = ParseOut(list)["boards"];
    EXPECT_EQ(boards[0]["failure"], "no-reply");
    EXPECT_EQ(boards[1]["failure"], "cannot-open");
    EXPECT_EQ(boards[2]["failure"], nullptr);
}

TEST_F(CliProgram, BlankBoardsAreNumberedInPortOrder)
{
    const CliRun run = RunCli({"--sim=4", "--sim-blank", "2", "--sim-blank", "4", "--sim-dump", DumpFile(), "download",
                               ConfigFile(), "--all", "--serial", "100"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json boards = Dump()["boards"];
    EXPECT_EQ(boards[0]["serial"], 42);
    EXPECT_EQ(boards[1]["serial"], 100);
    EXPECT_EQ(boards[2]["serial"], 44);
    EXPECT_EQ(boards[3]["serial"], 101);
    // The summary says which board got which number.
    EXPECT_NE(run.out.find("/dev/hidraw-sim1  TRK_00000 -> TRK_00100 (new)  ok: FPGA configuration successful"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("4 boards: 4 programmed, 0 failed"), std::string::npos) << run.out;
}

TEST_F(CliProgram, BlankBoardsTakeTheNumbersOfAList)
{
    const CliRun run = RunCli({"--sim=4", "--sim-blank", "1", "--sim-blank", "3", "--sim-dump", DumpFile(), "download",
                               ConfigFile(), "--all", "--serial-list", "7,9", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json boards = Dump()["boards"];
    EXPECT_EQ(boards[0]["serial"], 7);
    EXPECT_EQ(boards[1]["serial"], 43);
    EXPECT_EQ(boards[2]["serial"], 9);
    EXPECT_EQ(ParseOut(run)["boards"][2]["serial_given"], 9);
}

// The boards were written and read back against a file that another program changed
// meanwhile: none of them may count as holding the bytes of the digest.
TEST_F(CliProgram, AFileChangedDuringTheDownloadFailsTheBoard)
{
    clitest::RunningCli download({"--sim", "--sim-latency", "5000", "download", ConfigFile(), "--verify"});
    ASSERT_TRUE(download.WaitForOutput("Read 300 bytes from RBF file"));
    WriteBytes(ConfigFile(), Pattern(300, 0x11));
    const CliRun run = download.Finish();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.err.find("blink.rbf: the file changed during the download: no board counts as downloaded"),
              std::string::npos)
        << run.err;
}

// A blank board takes the number the file name begins with, as in the window; with several
// boards at once the numbers run on from it in port order, and the JSON says each was blank.
TEST_F(CliProgram, NumbersFromTheFileNameRunOnInPortOrder)
{
    std::filesystem::copy_file(ConfigFile(), m_dir / "101_lab3.rbf");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(m_dir);  // the name as typed where the user stands
    const struct {
        const char* what;
        std::vector<std::string> sim;
        std::vector<std::string> download;
        std::vector<int> serials;  // each board's number afterwards, by simulated board
    } rows[] = {
        {"one blank board", {"--sim=1", "--sim-blank", "1"}, {}, {101}},
        {"two blank boards", {"--sim=2", "--sim-blank", "1", "--sim-blank", "2"}, {"--all"}, {101, 102}},
        {"the second in the first port", {"--sim=2", "--sim-blank", "1", "--sim-blank", "2", "--sim-ports-reversed"},
         {"--all"}, {102, 101}},
        {"a numbered board between", {"--sim=3", "--sim-blank", "1", "--sim-blank", "3"}, {"--all"}, {101, 43, 102}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> args = row.sim;
        for (const char* word : {"--sim-dump", "dump.json", "download", "101_lab3.rbf", "--json"})
            args.push_back(word);
        args.insert(args.end(), row.download.begin(), row.download.end());
        const CliRun run = RunCli(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const json dump = Dump()["boards"];
        ASSERT_EQ(dump.size(), row.serials.size());
        for (std::size_t i = 0; i < row.serials.size(); ++i)
            EXPECT_EQ(dump[i]["serial"], row.serials[i]) << i;
        const json out = ParseOut(run);
        for (const json& board : out["boards"]) {
            const std::string node = board["node"];
            const int serial = row.serials[static_cast<std::size_t>(node.back() - '0')];
            if (serial == 43) {
                EXPECT_EQ(board["serial_given"], nullptr);
                continue;
            }
            EXPECT_EQ(board["serial_before"], 0) << node;
            EXPECT_EQ(board["serial_given"], serial) << node;
        }
    }
    std::filesystem::current_path(before);
}

// The board holds what --sim-config gives it, as a download of that file leaves the flash.
TEST_F(CliProgram, ReadSavesTheBytesADownloadOfTheFileWrites)
{
    Bytes endsErased = Pattern(700, 0x44);
    endsErased.insert(endsErased.end(), 30, uint8_t{0xFF});
    const Bytes wholeArea = Pattern(board::MaxConfigFileBytes, 0x55);
    const Bytes onePage = Pattern(128, 0x66);
    // No download writes the area's last byte: a board that holds one there has no file.
    const Bytes lastByteWritten = Pattern(board::ConfigAreaSize, 0x77);
    const struct {
        const char* what;
        Bytes held;
        int exitCode;
        Bytes saved;  // no file when the read fails
        const char* failure;
    } rows[] = {
        {"file ending in bytes 0xFF: saved without them", endsErased, 0, Pattern(700, 0x44), nullptr},
        {"file as long as the area takes", wholeArea, 0, wholeArea, nullptr},
        {"file of one page", onePage, 0, onePage, nullptr},
        {"erased area: no configuration", {}, 1, {}, "no-configuration"},
        {"the area's last byte written", lastByteWritten, 1, {}, "beyond-file-limit"},
    };
    const std::filesystem::path held = m_dir / "held.rbf";
    const std::filesystem::path saved = m_dir / "saved.rbf";
    for (const auto& row : rows) {
        WriteBytes(held, row.held);
        std::filesystem::remove(saved);
        const CliRun run = RunCli({"--sim", "--sim-config", held.string(), "read", saved.string(), "--json"});
        EXPECT_EQ(run.exitCode, row.exitCode) << row.what << "\n" << run.err;
        const json result = ParseOut(run);
        EXPECT_EQ(result["succeeded"], row.failure == nullptr) << row.what;
        EXPECT_EQ(result["port"], "1-1") << row.what;
        if (row.failure == nullptr) {
            EXPECT_EQ(result["failure"], nullptr) << row.what;
            EXPECT_EQ(result["bytes"], row.saved.size()) << row.what;
            EXPECT_EQ(ReadBytes(saved), row.saved) << row.what;
        } else {
            EXPECT_EQ(result["failure"], row.failure) << row.what;
            EXPECT_FALSE(std::filesystem::exists(saved)) << row.what;
            EXPECT_NE(run.err.find("no file written"), std::string::npos) << row.what << "\n" << run.err;
        }
    }
}

TEST_F(CliProgram, ReadOverwritesAFileOnlyWhenTold)
{
    const std::filesystem::path saved = m_dir / "saved.rbf";
    WriteBytes(saved, {1, 2, 3});
    const std::string dump = "--sim-dump=" + DumpFile();
    const CliRun refused = RunCli({"--sim", "--sim-config", ConfigFile(), dump, "read", saved.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("saved.rbf: exists: give --force to overwrite it"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadBytes(saved), Bytes({1, 2, 3}));
    EXPECT_TRUE(Dump()["boards"][0]["commands"].empty()) << "nothing is read for a file that cannot take it";

    const CliRun folder = RunCli({"--sim", "--sim-config", ConfigFile(), "read", m_dir.string(), "--force"});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_NE(folder.err.find(": " + systemwords::IsAFolder()), std::string::npos) << folder.err;

    const CliRun forced = RunCli({"--sim", "--sim-config", ConfigFile(), "read", saved.string(), "--force"});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(ReadBytes(saved), ReadBytes(ConfigFile()));
    EXPECT_NE(forced.out.find("configuration saved to " + saved.string() + ": 300 bytes."), std::string::npos) << forced.out;
    EXPECT_EQ(Names(m_dir), (std::vector<std::string>{"blink.rbf", "dump.json", "saved.rbf"}));
}

// Whatever exchange of the read fails, and however: no file is written, an existing one
// stays as it was, and the exit status says so. Run in this process: a read is 768
// exchanges, and each is tried with every fault.
TEST_F(CliProgram, ReadThatFailsAtAnyExchangeLeavesNoFile)
{
    const std::filesystem::path saved = m_dir / "saved.rbf";
    const auto run = [&](std::vector<std::string> args, std::string* out = nullptr) {
        std::ostringstream outStream, errStream;
        const int exitCode = cli::RunProgram(args, outStream, errStream, false);
        if (out != nullptr)
            *out = outStream.str();
        return exitCode;
    };
    std::string out;
    ASSERT_EQ(run({"--sim", "--sim-config", ConfigFile(), "--sim-dump", DumpFile(), "read", saved.string()}), 0);
    const std::size_t exchanges = Dump()["boards"][0]["commands"].size();
    ASSERT_EQ(exchanges, 3u * 256u);
    std::filesystem::remove(DumpFile());

    const Bytes old = {9, 8, 7};
    std::vector<std::string> wrong;
    for (std::size_t exchange = 1; exchange <= exchanges; ++exchange) {
        for (const sim::LinkFaultName& kind : sim::LinkFaultNames) {
            // Over an existing file, and for the cheapest kind also where there is none.
            for (const bool existing : {true, false}) {
                if (!existing && kind.fault != sim::LinkFault::NoReply)
                    continue;
                if (existing)
                    WriteBytes(saved, old);
                else
                    std::filesystem::remove(saved);
                const std::string fault = std::string(kind.name) + "@" + std::to_string(exchange);
                std::vector<std::string> args = {"--sim", "--sim-config", ConfigFile(), "--sim-fault", fault,
                                                 "read", saved.string()};
                if (existing)
                    args.push_back("--force");
                const int exitCode = run(args);
                const std::vector<std::string> expected =
                    existing ? std::vector<std::string>{"blink.rbf", "saved.rbf"} : std::vector<std::string>{"blink.rbf"};
                if (exitCode != 1 || Names(m_dir) != expected || (existing && ReadBytes(saved) != old))
                    wrong.push_back(fault + (existing ? " over a file" : "") + ": exit " + std::to_string(exitCode));
            }
        }
    }
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " runs went wrong, the first: " << wrong.front();
}

TEST_F(CliProgram, CtrlCStopsTheReadWithoutAFile)
{
    const std::filesystem::path saved = m_dir / "saved.rbf";
    clitest::RunningCli read({"--sim", "--sim-latency", "5000", "--sim-config", ConfigFile(), "read", saved.string()});
    ASSERT_TRUE(read.WaitForOutput("Reading the configuration of /dev/hidraw-sim0"));
    read.Signal(SIGINT);
    const CliRun run = read.Finish();
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_NE(run.err.find("read stopped; no file written"), std::string::npos) << run.err;
    EXPECT_EQ(Names(m_dir), std::vector<std::string>{"blink.rbf"});
}

struct WatchEnd {
    const char* what;
    std::vector<std::string> extraArgs;
    int signal;  // 0: the watch ends by itself
    int exitCode;
};

TEST_F(CliProgram, WatchLeavesTestModeHoweverItEnds)
{
    const WatchEnd ends[] = {
        {"Ctrl-C", {}, SIGINT, 0},
#ifndef _WIN32
        // Windows has no such signal for a console program.
        {"SIGTERM", {}, SIGTERM, 0},
#endif
        // The fourth capture (exchanges 10 to 12) gets no reply to its first read.
        {"capture failed", {"--sim-fault", "no-reply@11"}, 0, 1},
    };
    for (const WatchEnd& end : ends) {
        std::vector<std::string> args = {"--sim", "--sim-dump", DumpFile()};
        args.insert(args.end(), end.extraArgs.begin(), end.extraArgs.end());
        args.insert(args.end(), {"watch", "--rate", "50"});
        clitest::RunningCli watch(args);
        ASSERT_TRUE(watch.WaitForOutput("watching /dev/hidraw-sim0")) << end.what;
        if (end.signal != 0)
            watch.Signal(end.signal);
        const CliRun run = watch.Finish();
        EXPECT_EQ(run.exitCode, end.exitCode) << end.what << "\n" << run.err;
        EXPECT_NE(run.err.find("Test mode left."), std::string::npos) << end.what << "\n" << run.err;
        const json board = Dump()["boards"][0];
        EXPECT_EQ(board["commands"].back(), "LeaveTestMode") << end.what;
        EXPECT_EQ(board["test_mode"], false) << end.what;
    }
}

}  // namespace
