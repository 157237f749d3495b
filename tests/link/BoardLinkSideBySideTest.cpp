#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "board/Download.h"
#include "board/InfoBlock.h"
#include "board/JtagTests.h"
#include "pins/PinTables.h"
#include "support/RecordingWindow.h"

using namespace boardlink;

namespace {

// One simulated board with its own link and its own reporter.
struct Bench {
    explicit Bench(uint16_t serial)
    {
        sim::SimBoard::Info info;
        info.serial = serial;
        board.Board().WriteInfoBlock(info);
        window.board = &board;
    }
    sim::SimBackend board;
    RecordingWindow window;
    BoardLink link{board, &window};
};

uint16_t SerialRead(BoardLink& link)
{
    board::InfoBlock block{};
    EXPECT_TRUE(board::ReadFlashPage(link, 0, block.data()));
    return board::infoblock::Serial(block);
}

std::string WriteFile(const std::string& name, const std::string& content)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-side-by-side-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

// Interleaved exchanges on two links each read their own board, and a fault on one link
// (its reply lost, its handles closed, a new search) leaves the other one untouched.
TEST(BoardLinksSideBySide, EachLinkReadsItsOwnBoardAndKeepsItsOwnFaults)
{
    Bench first(101);
    Bench second(202);
    EXPECT_EQ(SerialRead(first.link), 101);
    EXPECT_EQ(SerialRead(second.link), 202);

    first.board.DropNextReply(2);  // the last of the page's three reads
    board::InfoBlock block{};
    EXPECT_FALSE(board::ReadFlashPage(first.link, 0, block.data()));
    EXPECT_FALSE(first.link.DeviceFound());
    EXPECT_TRUE(second.link.DeviceFound());
    EXPECT_EQ(SerialRead(second.link), 202);
    EXPECT_EQ(first.window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));
    EXPECT_TRUE(second.window.log.empty());
    EXPECT_EQ(second.board.OpenHandleCount(), 3u);

    EXPECT_EQ(SerialRead(first.link), 101) << "the next exchange finds the first board again";
}

// The command-line tool programs many boards at once, one thread per board: a download and
// a pin capture on each of two boards, at the same time, each through its own link.
TEST(BoardLinksSideBySide, TwoThreadsProgramAndCaptureTwoBoardsAtOnce)
{
    Bench benches[] = {Bench(11), Bench(22)};
    const std::string contents[] = {std::string(20000, 'a'), std::string(3000, 'b')};
    const std::string files[] = {WriteFile("first.rbf", contents[0]), WriteFile("second.rbf", contents[1])};
    benches[1].board.Board().SetExternalLevel(pins::BoundaryCellTable[23], false);

    board::DownloadOutcome outcomes[2]{};
    pins::Capture captures[2]{};
    bool captured[2]{};
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] {
            Bench& bench = benches[i];
            bench.window.m_strFile = files[i];
            outcomes[i] = board::RunDownload(bench.link, bench.window);
            captured[i] = board::CapturePins(bench.link, captures[i]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    for (int i = 0; i < 2; ++i) {
        const auto& flash = benches[i].board.Board().Flash();
        EXPECT_EQ(outcomes[i], board::DownloadOutcome::Configured) << i;
        EXPECT_EQ(std::string(flash.begin() + board::ConfigAreaAddress,
                              flash.begin() + board::ConfigAreaAddress + static_cast<long>(contents[i].size())),
                  contents[i])
            << i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(flash.data() + 12)), files[i]) << i;
        EXPECT_EQ(benches[i].window.m_strCycles, "8") << i;
        EXPECT_EQ(benches[i].window.log.front(), "  Read " + std::to_string(contents[i].size()) + " bytes from RBF file");
        EXPECT_TRUE(captured[i]) << i;
        std::filesystem::remove(files[i]);
    }
    EXPECT_EQ(benches[0].window.m_strSerial, "TRK_00011");
    EXPECT_EQ(benches[1].window.m_strSerial, "TRK_00022");
    // FPGA pin 23 pulled low on the second board only.
    EXPECT_EQ(pins::DecodePinState(captures[0], 0), '1');
    EXPECT_EQ(pins::DecodePinState(captures[1], 0), '0');
}

}  // namespace
