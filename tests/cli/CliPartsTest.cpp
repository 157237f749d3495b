#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/Console.h"
#include "cli/DownloadSummary.h"
#include "cli/PinWatch.h"
#include "cli/Session.h"
#include "cli/Sha256.h"
#include "cli/SimFault.h"
#include "cli/BoardAccess.h"

// The command-line tool's parts that talk to no board.
namespace {

using namespace cli;

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
