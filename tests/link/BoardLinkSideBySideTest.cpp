#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "board/Board.h"
#include "board/Download.h"
#include "board/InfoBlock.h"
#include "pins/PinTables.h"
#include "support/RecordingWindow.h"

using namespace boardlink;

namespace {

// One simulated board with its own board object, link and reporter.
struct Bench {
    explicit Bench(uint16_t serial)
    {
        sim::SimBoard::Info info;
        info.serial = serial;
        board.Board().WriteInfoBlock(info);
        window.board = &board;
        object.SetReporter(&window);
    }
    sim::SimBackend board;
    RecordingWindow window;
    board::Board object{board};
};

uint16_t SerialRead(Bench& bench)
{
    std::array<uint8_t, board::FlashPageSize> page{};
    EXPECT_TRUE(bench.object.ReadFlashPage(0, page).Ok());
    return board::infoblock::Serial(page);
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
    EXPECT_EQ(SerialRead(first), 101);
    EXPECT_EQ(SerialRead(second), 202);

    first.board.DropNextReply(2);  // the last of the page's three reads
    std::array<uint8_t, board::FlashPageSize> page{};
    EXPECT_FALSE(first.object.ReadFlashPage(0, page).Ok());
    EXPECT_FALSE(first.object.Found());
    EXPECT_TRUE(second.object.Found());
    EXPECT_EQ(SerialRead(second), 202);
    EXPECT_EQ(first.window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));
    EXPECT_TRUE(second.window.log.empty());
    EXPECT_EQ(second.board.OpenHandleCount(), 3u);

    EXPECT_EQ(SerialRead(first), 101) << "the next exchange finds the first board again";
}

// The command-line tool programs many boards at once, one thread per board: a download and
// a pin capture on each of two boards, at the same time, each through its own link.
TEST(BoardLinksSideBySide, TwoThreadsProgramAndCaptureTwoBoardsAtOnce)
{
    Bench benches[] = {Bench(11), Bench(22)};
    const std::string contents[] = {std::string(20000, 'a'), std::string(3000, 'b')};
    const std::string files[] = {WriteFile("first.rbf", contents[0]), WriteFile("second.rbf", contents[1])};
    benches[1].board.Board().SetExternalLevel(pins::BoundaryCellTable[23], false);

    std::optional<board::Result<board::DownloadResult>> outcomes[2];
    std::optional<board::Result<pins::Capture>> captures[2];
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] {
            Bench& bench = benches[i];
            outcomes[i] = bench.object.Download(files[i]);
            captures[i] = bench.object.CapturePins();
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    for (int i = 0; i < 2; ++i) {
        const auto& flash = benches[i].board.Board().Flash();
        ASSERT_TRUE(outcomes[i]->Ok()) << i;
        const board::DownloadResult& result = outcomes[i]->Value();
        EXPECT_EQ(result.end, board::DownloadEnd::Configured) << i;
        EXPECT_EQ(std::string(flash.begin() + board::ConfigAreaAddress,
                              flash.begin() + board::ConfigAreaAddress + static_cast<long>(contents[i].size())),
                  contents[i])
            << i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(flash.data() + 12)), files[i]) << i;
        EXPECT_EQ(result.info.cycles, 8u) << i;
        EXPECT_EQ(result.fileBytes, contents[i].size()) << i;
        EXPECT_TRUE(benches[i].window.log.empty()) << i;
        ASSERT_TRUE(captures[i]->Ok()) << i;
        std::filesystem::remove(files[i]);
    }
    EXPECT_EQ(outcomes[0]->Value().info.serial, 11);
    EXPECT_EQ(outcomes[1]->Value().info.serial, 22);
    // FPGA pin 23 pulled low on the second board only.
    EXPECT_EQ(pins::DecodePinState(captures[0]->Value(), 0), '1');
    EXPECT_EQ(pins::DecodePinState(captures[1]->Value(), 0), '0');
}

}  // namespace
