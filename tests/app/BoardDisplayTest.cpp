#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "app/BoardDisplay.h"
#include "board/Board.h"
#include "link/Reports.h"
#include "sim/SimBackend.h"
#include "support/RecordingHost.h"

using namespace boardlink;
using namespace board;

namespace {

InfoBlock MakeBlock(uint16_t serial, std::array<uint8_t, 6> date, uint32_t cycles, const char* name)
{
    InfoBlock block{};
    block.fill(0xEE);
    block[0] = static_cast<uint8_t>(serial & 0xFF);
    block[1] = static_cast<uint8_t>(serial >> 8);
    std::copy(date.begin(), date.end(), block.begin() + 2);
    for (int i = 0; i < 4; ++i)
        block[8 + i] = static_cast<uint8_t>(cycles >> (8 * i));
    if (name != nullptr) {
        std::memcpy(block.data() + 12, name, std::strlen(name));
        block[12 + std::strlen(name)] = 0;
    }
    return block;
}

void ExpectBoxes(const BoardBoxes& shown, const BoardBoxes& expected, const char* what)
{
    EXPECT_EQ(shown.m_strSerial, expected.m_strSerial) << what;
    EXPECT_EQ(shown.m_strLastProgrammed, expected.m_strLastProgrammed) << what;
    EXPECT_EQ(shown.m_strFile, expected.m_strFile) << what;
    EXPECT_EQ(shown.m_strCycles, expected.m_strCycles) << what;
}

struct DisplayCase {
    const char* what;
    InfoBlock block;
    uint8_t status;
    BoardBoxes opening;
    BoardBoxes attach;
};

// The block as the board object reads it from a board that holds it and answers its reads
// with status.
InfoRead ReadFromBoard(const InfoBlock& block, uint8_t status)
{
    sim::SimBackend dev;
    std::copy(block.begin(), block.end(), dev.Board().Flash().begin());
    if (status != StatusRead)
        dev.Board().OverrideStatus(ReadMemory, status);
    Board board(dev);
    return board.ReadInfo();
}

TEST(DisplayRules, OpeningAttachAndDownloadTexts)
{
    const std::string longName(99, 'x');
    InfoBlock noZero = MakeBlock(1, {1, 2, 3, 4, 5, 6}, 9, nullptr);
    std::memset(noZero.data() + 12, 'n', 115);
    const DisplayCase cases[] = {
        {"serial 300", MakeBlock(300, {3, 15, 6, 14, 5, 9}, 7, "a.rbf"), 'S',
         {"TRK_00300", "03/15/2006 at 14:05:09", "a.rbf", "7"},
         {"TRK_00300", "03/15/2006 at 14:05:09", "a.rbf", "7"}},
        {"erased count", MakeBlock(65535, {12, 31, 255, 23, 59, 59}, 0xFFFFFFFF, ""), 'S',
         {"TRK_65535", "12/31/2255 at 23:59:59", "", "-1"},
         {"TRK_65535", "12/31/2255 at 23:59:59", "", "4294967295"}},
        {"year 0, month 0", MakeBlock(42, {0, 0, 0, 0, 0, 0}, 1, "b"), 'S',
         {"TRK_00042", "00/00/2000 at 00:00:00", "b", "1"},
         {"TRK_00042", "00/00/2000 at 00:00:00", "b", "1"}},
        {"name without zero byte", noZero, 'S',
         {"TRK_00001", "01/02/2003 at 04:05:06", std::string(99, 'n'), "9"},
         {"TRK_00001", "01/02/2003 at 04:05:06", std::string(99, 'n'), "9"}},
        {"reads not answered with S", MakeBlock(300, {3, 15, 6, 14, 5, 9}, 7, "a.rbf"), 'R',
         {"TRK_00300", "<unknown>", "a.rbf", "<unknown>"},
         {"TRK_00300", "03/15/2006 at 14:05:09", "a.rbf", "7"}},
    };
    for (const DisplayCase& c : cases) {
        const InfoRead read = ReadFromBoard(c.block, c.status);
        BoardBoxes opening;
        ShowOpeningInfo(read, opening);
        ExpectBoxes(opening, c.opening, c.what);
        BoardBoxes attach;
        ShowAttachInfo(read, attach);
        ExpectBoxes(attach, c.attach, c.what);

        sim::SimBackend dev;
        RecordingHost download(dev);
        download.m_strFile = "typed";
        DownloadResult done;
        done.info = InfoOf(c.block);
        ShowDownloadResult(done, download);
        EXPECT_EQ(download.m_strSerial, c.attach.m_strSerial) << c.what;
        EXPECT_EQ(download.m_strLastProgrammed, c.attach.m_strLastProgrammed) << c.what;
        EXPECT_EQ(download.m_strCycles, c.attach.m_strCycles) << c.what;
        EXPECT_EQ(download.m_strFile, "typed") << c.what;
    }
}

// What the boxes show of a block that did not come back whole: nothing of a reply that was
// lost is taken from stale bytes, and no board at all shows as on the first opening.
TEST(DisplayRules, FieldsThatDidNotComeBack)
{
    struct Case {
        const char* what;
        std::function<void(sim::SimBackend&)> fault;
        BoardBoxes opening;
        BoardBoxes attach;
    };
    const Case cases[] = {
        {"no board", [](sim::SimBackend& dev) { dev.Unplug(); },
         {"TRK_00000", "<unknown>", "", "<unknown>"},
         {"<unknown>", "<unknown>", "<unknown>", "<unknown>"}},
        {"first read of page 0 lost", [](sim::SimBackend& dev) { dev.DropNextReply(0); },
         {"<unknown>", "<unknown>", "<unknown>", "<unknown>"},
         {"<unknown>", "<unknown>", "<unknown>", "<unknown>"}},
        {"second read of page 0 lost, the name runs into it", [](sim::SimBackend& dev) {
             static const std::string longName(60, 'n');
             dev.Board().WriteInfoBlock({.fileName = longName.c_str()});
             dev.DropNextReply(1);
         },
         {"TRK_00042", "<unknown>", "<unknown>", "<unknown>"},
         {"TRK_00042", "11/28/2026 at 09:30:05", "<unknown>", "7"}},
        {"a read of page 1 lost", [](sim::SimBackend& dev) { dev.DropNextReply(4); },
         {"TRK_00042", "<unknown>", "/home/student/morvane/blink.rbf", "<unknown>"},
         {"TRK_00042", "11/28/2026 at 09:30:05", "/home/student/morvane/blink.rbf", "7"}},
    };
    for (const Case& c : cases) {
        sim::SimBackend dev;
        Board board(dev);
        // An earlier reply leaves its bytes in the reply buffer, where a board was found.
        if (std::string(c.what) != "no board") {
            ASSERT_TRUE(board.CapturePins().Ok());
        }
        c.fault(dev);
        const InfoRead read = board.ReadInfo();
        EXPECT_TRUE(read.failure) << c.what;
        BoardBoxes opening;
        ShowOpeningInfo(read, opening);
        BoardBoxes attach;
        ShowAttachInfo(read, attach);
        ExpectBoxes(opening, c.opening, c.what);
        ExpectBoxes(attach, c.attach, c.what);
    }
}

}  // namespace
