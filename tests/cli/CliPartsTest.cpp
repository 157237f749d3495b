#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/BoardChoice.h"
#include "cli/BoardName.h"
#include "cli/Console.h"
#include "cli/DownloadSummary.h"
#include "cli/PinWatch.h"
#include "cli/SerialList.h"
#include "cli/SerialNumbering.h"
#include "cli/Session.h"
#include "cli/Sha256.h"
#include "cli/SimFault.h"
#include "cli/UsbPort.h"
#include "cli/BoardAccess.h"
#include "link/Reports.h"

// The command-line tool's parts that talk to no board.
namespace {

using namespace cli;

TEST(BoardNameTest, SerialNumbersAndNodes)
{
    struct Case {
        const char* text;
        std::optional<uint16_t> serial;
        const char* node;   // expected node when not a serial number
        bool error;
    };
    const Case cases[] = {
        {"42", 42, "", false},
        {"TRK_00042", 42, "", false},
        {"trk_42", 42, "", false},
        {"0", 0, "", false},
        {"65535", 65535, "", false},
        {"000000000065535", 65535, "", false},
        {"65536", std::nullopt, "", true},
        {"99999999999999999999", std::nullopt, "", true},
        {"TRK_", std::nullopt, "", true},
        {"TRK_4x", std::nullopt, "", true},
        {"", std::nullopt, "", true},
        {"/dev/hidraw3", std::nullopt, "/dev/hidraw3", false},
        {"hidraw3", std::nullopt, "hidraw3", false},
        {"-1", std::nullopt, "-1", false},
    };
    for (const Case& c : cases) {
        const ParsedBoardName parsed = ParseBoardName(c.text);
        EXPECT_EQ(!parsed.name, c.error) << c.text << ": " << parsed.error;
        if (!parsed.name)
            continue;
        EXPECT_EQ(parsed.name->serial, c.serial) << c.text;
        EXPECT_EQ(parsed.name->node, c.node) << c.text;
    }
}

TEST(BoardChoiceTest, OneBoardOrASayWhichAreThere)
{
    const std::vector<BoardIdentity> two = {{"/dev/hidraw3", 42}, {"/dev/hidraw5", std::nullopt}};
    const std::vector<BoardIdentity> twins = {{"/dev/hidraw3", 7}, {"/dev/hidraw5", 7}};
    auto serial = [](uint16_t n) { return std::optional<BoardName>(BoardName{n, {}}); };
    auto node = [](const char* n) { return std::optional<BoardName>(BoardName{std::nullopt, n}); };
    struct Case {
        const char* what;
        std::vector<BoardIdentity> boards;
        std::optional<BoardName> name;
        std::optional<std::size_t> index;
        bool usageError;
        const char* errorText;
    };
    const Case cases[] = {
        {"none attached", {}, std::nullopt, std::nullopt, false, "no Morvane board"},
        {"the only board", {{"/dev/hidraw3", 42}}, std::nullopt, 0, false, ""},
        {"several, none named", two, std::nullopt, std::nullopt, true,
         "2 boards are attached (/dev/hidraw3 (TRK_00042), /dev/hidraw5 (TRK_\?\?\?\?\?))"},
        {"by serial", two, serial(42), 0, false, ""},
        {"by node", two, node("/dev/hidraw5"), 1, false, ""},
        {"by node name", two, node("hidraw5"), 1, false, ""},
        {"part of a node name", two, node("raw5"), std::nullopt, false, "board raw5 is not attached"},
        {"serial not there", two, serial(43), std::nullopt, false, "board TRK_00043 is not attached"},
        {"unknown serial never matches", two, serial(0), std::nullopt, false, "not attached"},
        {"shared serial", twins, serial(7), std::nullopt, true, "TRK_00007 names 2 boards"},
        {"shared serial, by node", twins, node("hidraw5"), 1, false, ""},
    };
    for (const Case& c : cases) {
        const BoardChoice choice = ChooseBoard(c.boards, c.name);
        EXPECT_EQ(choice.index, c.index) << c.what;
        EXPECT_EQ(choice.usageError, c.usageError) << c.what;
        EXPECT_NE(choice.error.find(c.errorText), std::string::npos) << c.what << ": " << choice.error;
    }
}

TEST(SerialNumberingTest, BlankBoardsGetConsecutiveNumbers)
{
    using Numbers = std::vector<std::optional<uint16_t>>;
    struct Case {
        const char* what;
        std::vector<BoardIdentity> boards;
        long first;
        Numbers numbers;
        const char* errorText;
    };
    const Case cases[] = {
        {"numbered boards keep theirs", {{"a", 0}, {"b", 42}, {"c", 0}, {"d", std::nullopt}}, 100,
         {100, std::nullopt, 101, std::nullopt}, ""},
        {"up to the last number", {{"a", 0}, {"b", 0}}, 65534, {65534, 65535}, ""},
        {"past the last number", {{"a", 0}, {"b", 0}}, 65535, {}, "not enough numbers"},
        {"a number a board has", {{"a", 0}, {"b", 0}, {"c", 101}}, 100, {}, "TRK_00101 is already the number of the board at c"},
        {"zero", {{"a", 0}}, 0, {}, "from 1 to 65535"},
        {"no blank board", {{"a", 5}}, 5, {std::nullopt}, ""},
    };
    for (const Case& c : cases) {
        const Numbering numbering = NumberBlankBoards(c.boards, c.first);
        EXPECT_EQ(numbering.numbers, c.numbers) << c.what;
        EXPECT_NE(numbering.error.find(c.errorText), std::string::npos) << c.what << ": " << numbering.error;
        EXPECT_EQ(numbering.error.empty(), *c.errorText == '\0') << c.what;
    }
}

// A lab's numbers: the blank boards take the list in port order, or nothing is written.
TEST(SerialNumberingTest, BlankBoardsTakeTheListInTurn)
{
    using Numbers = std::vector<std::optional<uint16_t>>;
    struct Case {
        const char* what;
        std::vector<BoardIdentity> boards;
        std::vector<long> list;
        Numbers numbers;
        const char* errorText;
    };
    const Case cases[] = {
        {"gaps in the list are kept", {{"a", 0}, {"b", 42}, {"c", 0}, {"d", std::nullopt}}, {100, 103},
         {100, std::nullopt, 103, std::nullopt}, ""},
        {"numbers left over", {{"a", 0}}, {7, 8, 9}, {7}, ""},
        {"fewer numbers than blank boards", {{"a", 0}, {"b", 0}, {"c", 0}}, {7, 8}, {}, "2 numbers for 3 blank boards"},
        {"a number twice", {{"a", 0}, {"b", 0}}, {7, 7}, {}, "7 is in the list twice"},
        {"a number a board has", {{"a", 0}, {"b", 42}}, {42}, {}, "TRK_00042 is already the number of the board at b"},
        {"out of range", {{"a", 0}}, {70000}, {}, "from 1 to 65535"},
    };
    for (const Case& c : cases) {
        const Numbering numbering = NumberBlankBoardsFromList(c.boards, c.list);
        EXPECT_EQ(numbering.numbers, c.numbers) << c.what;
        EXPECT_NE(numbering.error.find(c.errorText), std::string::npos) << c.what << ": " << numbering.error;
        EXPECT_EQ(numbering.error.empty(), *c.errorText == '\0') << c.what;
    }
}

// The standard's own examples, and lengths around the 56-byte padding edge.
TEST(Sha256Test, KnownDigests)
{
    const auto bytes = [](const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); };
    EXPECT_EQ(Sha256Hex(bytes("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex(bytes("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::vector<uint8_t>(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Pieces of any size give the digest of the whole.
    Sha256 pieces;
    const std::vector<uint8_t> text = bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    pieces.Add(std::span(text).first(5));
    pieces.Add(std::span(text).subspan(5));
    EXPECT_EQ(pieces.Hex(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(SimFaultTest, KindAtExchange)
{
    for (const sim::LinkFaultName& entry : sim::LinkFaultNames) {
        const ParsedSimFault parsed = ParseSimFault(std::string(entry.name) + "@17");
        ASSERT_TRUE(parsed.fault) << entry.name << ": " << parsed.error;
        EXPECT_EQ(parsed.fault->kind, entry.fault);
        EXPECT_EQ(parsed.fault->exchange, 17u);
    }
    for (const char* bad : {"no-reply", "no-reply@", "no-reply@0", "no-reply@-3", "no-reply@3x", "@3", "smoke@3",
                            "No-Reply@3"})
        EXPECT_FALSE(ParseSimFault(bad).fault) << bad;
}

TEST(UsbPortTest, PortFromTheDevicePath)
{
    struct Case {
        const char* path;
        UsbPort port;
    };
    const Case cases[] = {
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299.0004", {1, 2}},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4.2/3-1.4.2:1.0/0003:0925:1299.000A", {3, 1, 4, 2}},
        {"/sys/devices/virtual/misc/uhid/0003:0925:1299.0001", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsbPortInDevicePath(c.path), c.port) << c.path;

    // Ports sort by number, not by text: port 10 comes after port 9.
    std::vector<UsbPort> ports = {{1, 10}, {2, 1}, {1, 9}, {1, 9, 3}};
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<UsbPort>{{1, 9}, {1, 9, 3}, {1, 10}, {2, 1}}));
}

TEST(UsbPortTest, PortOfANodeFromSysfs)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("tarvik-cli-sysfs-" + std::to_string(::getpid()));
    const fs::path device = root / "devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4.2/1-4.2:1.0/0003:0925:1299.0001";
    fs::create_directories(device);
    fs::create_directories(root / "class/hidraw/hidraw3");
    fs::create_directory_symlink(device, root / "class/hidraw/hidraw3/device");

    EXPECT_EQ(UsbPortOfNode(root.string(), "/dev/hidraw3"), (UsbPort{1, 4, 2}));
    EXPECT_EQ(UsbPortOfNode(root.string(), "/dev/hidraw9"), UsbPort{}) << "no such node";
    EXPECT_EQ(UsbPortOfNode(root.string(), "/dev/ttyUSB0"), UsbPort{}) << "not a hidraw node";
    fs::remove_all(root);
}

TEST(SummaryTest, SaysWhichBoardGotWhichNumberAndCounts)
{
    std::vector<BoardDownload> boards(3);
    boards[0] = {"/dev/hidraw3", 42, std::nullopt, "TRK_00042", true, "FPGA configuration successful",
                 VerifyState::Matches, std::nullopt, {}, "1-1", false, ""};
    boards[1] = {"/dev/hidraw10", 0, 100, "TRK_00100", true, "FPGA configuration successful",
                 VerifyState::NotAsked, std::nullopt, {}, "1-2", false, ""};
    boards[2] = {"/dev/hidraw11", std::nullopt, std::nullopt, "", false, "Flash memory update unsuccessful",
                 VerifyState::NotAsked, std::nullopt, {}, "1-3", false, "no-reply"};
    const std::vector<std::string> lines = SummaryLines(boards);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "BOARD          SERIAL                        RESULT");
    EXPECT_EQ(lines[1], "/dev/hidraw3   TRK_00042                     ok: FPGA configuration successful; verified");
    EXPECT_EQ(lines[2], "/dev/hidraw10  TRK_00000 -> TRK_00100 (new)  ok: FPGA configuration successful");
    EXPECT_EQ(lines[3], "/dev/hidraw11  TRK_?????                     FAILED: Flash memory update unsuccessful");
    EXPECT_EQ(lines[4], "3 boards: 2 programmed, 1 failed");

    EXPECT_EQ(VerifyText(VerifyState::Differs, 0x0185), "differs at 0x0185");
}

TEST(ConsoleTest, ProgressBarStaysInsideItsCells)
{
    EXPECT_EQ(ProgressLine("b", 0, 100, 10), "b [..........]   0%");
    EXPECT_EQ(ProgressLine("b", 50, 100, 10), "b [#####.....]  50%");
    EXPECT_EQ(ProgressLine("b", 32640, 32767, 10), "b [#########.]  99%");
    EXPECT_EQ(ProgressLine("b", 200, 100, 10), "b [##########] 100%");
    EXPECT_EQ(ProgressLine("b", -5, 100, 10), "b [..........]   0%");
    EXPECT_EQ(ProgressLine("b", 5, 0, 10), "b [..........]   0%");
}

TEST(ConsoleTest, ProgressBlockOnlyOnATerminalAndAlwaysBelowTheLines)
{
    std::ostringstream out, err;
    Console terminal(out, err, true);
    terminal.Progress({"a [..]", "b [..]"});
    terminal.Out("line");
    terminal.EndProgress();
    EXPECT_EQ(out.str(), "line\n");
    // Drawn, then taken away (two lines up, cleared) for the line and drawn again, then removed.
    EXPECT_EQ(err.str(), "a [..]\nb [..]\n\x1b[2F\x1b[Ja [..]\nb [..]\n\x1b[2F\x1b[J");

    std::ostringstream pipeOut, pipeErr;
    Console pipe(pipeOut, pipeErr, false);
    pipe.Progress({"a [..]"});
    pipe.Err("message");
    pipe.EndProgress();
    EXPECT_EQ(pipeErr.str(), "message\n");
}

TEST(CauseTest, EachFailureKindSaysWhatHappened)
{
    using board::Failure;
    using board::FailureKind;
    const struct {
        Failure failure;
        const char* text;
    } rows[] = {
        {{FailureKind::NoReply, boardlink::WriteMemory, 0, {}, {}, {}, {}, 0}, "the board did not answer WriteMemory"},
        {{FailureKind::NotDone, boardlink::ProgramMode, 'Q', {}, {}, {}, {}, 0}, "the board answered ProgramMode with status 0x51"},
        {{FailureKind::CannotOpen, 0, 0, "/dev/hidraw3", "Permission denied", "install it", {}, 0},
         "cannot be opened: Permission denied; fix: install it"},
        {{FailureKind::FileRefused, 0, 0, {}, "Is a directory", {}, {}, 0}, "Is a directory"},
        {{FailureKind::NoBoard, 0, 0, {}, {}, {}, {}, 0}, "no Morvane board is attached"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CauseText(row.failure), row.text);
}

TEST(PinWatchTest, ChangesByHeaderPosition)
{
    PinCapture before;
    before.fill(0xFF);  // every pin undriven, high
    PinCapture after = before;
    // Pin 1 at position 13 is cell group 17: bits 51-53 in byte 6 (masks 0x10, 0x08, 0x04).
    after[6] = static_cast<uint8_t>(after[6] & ~0x18);  // driven (0x08 clear), low (0x10 clear)
    after[6] = static_cast<uint8_t>(after[6] | 0x04);   // driven to high
    const std::vector<PinChange> changes = PinChanges(before, after);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].position, 13);
    EXPECT_EQ(ChangeLine("14:05:09.123", changes[0]), "14:05:09.123 P001 1 -> H");
    EXPECT_TRUE(PinChanges(before, before).empty());
}

}  // namespace
