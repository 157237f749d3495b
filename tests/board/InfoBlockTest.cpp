#include <gtest/gtest.h>

#include <cstring>

#include "board/InfoBlock.h"
#include "support/RecordingWindow.h"

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

struct DisplayCase {
    const char* what;
    InfoBlock block;
    uint8_t status;
    BoardTexts opening;
    BoardTexts attach;
};

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
        BoardTexts opening;
        ApplyOpeningDisplay(c.block, c.status, opening);
        EXPECT_EQ(opening.m_strSerial, c.opening.m_strSerial) << c.what;
        EXPECT_EQ(opening.m_strLastProgrammed, c.opening.m_strLastProgrammed) << c.what;
        EXPECT_EQ(opening.m_strFile, c.opening.m_strFile) << c.what;
        EXPECT_EQ(opening.m_strCycles, c.opening.m_strCycles) << c.what;

        BoardTexts attach;
        ApplyAttachDisplay(c.block, attach);
        EXPECT_EQ(attach.m_strSerial, c.attach.m_strSerial) << c.what;
        EXPECT_EQ(attach.m_strLastProgrammed, c.attach.m_strLastProgrammed) << c.what;
        EXPECT_EQ(attach.m_strFile, c.attach.m_strFile) << c.what;
        EXPECT_EQ(attach.m_strCycles, c.attach.m_strCycles) << c.what;

        BoardTexts download;
        download.m_strFile = "typed";
        ApplyDownloadDisplay(c.block, download);
        EXPECT_EQ(download.m_strSerial, c.attach.m_strSerial) << c.what;
        EXPECT_EQ(download.m_strLastProgrammed, c.attach.m_strLastProgrammed) << c.what;
        EXPECT_EQ(download.m_strCycles, c.attach.m_strCycles) << c.what;
        EXPECT_EQ(download.m_strFile, "typed") << c.what;
    }
}

// Names stored as UTF-8 read back unchanged; any other bytes one Latin-1 character each.
TEST(DisplayRules, FileNameIsUtf8AsStoredOrLatin1ByteForByte)
{
    const struct {
        const char* what;
        std::string stored;
        std::string shown;
    } rows[] = {
        {"ASCII", "a.rbf", "a.rbf"},
        {"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.rbf", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.rbf"},
        {"UTF-8 byte order mark kept", "\xEF\xBB\xBFx", "\xEF\xBB\xBFx"},
        {"Latin-1", "caf\xE9.rbf", "caf\xC3\xA9.rbf"},
        {"Latin-1 bytes that start UTF-8 sequences", "\xC3\xE9\xFF", "\xC3\x83\xC3\xA9\xC3\xBF"},
        {"UTF-8 cut at the end", "ab\xE2\x82", "ab\xC3\xA2\xC2\x82"},
        {"overlong form", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
        {"99 bytes, no zero after them", std::string(99, '\xE9'), [] {
             std::string s;
             for (int i = 0; i < 99; ++i)
                 s += "\xC3\xA9";
             return s;
         }()},
    };
    for (const auto& row : rows) {
        InfoBlock block{};
        block.fill(0xE9);
        std::copy(row.stored.begin(), row.stored.end(), block.begin() + infoblock::FileNameOffset);
        if (row.stored.size() < infoblock::MaxFileNameLength)
            block[infoblock::FileNameOffset + row.stored.size()] = 0;
        EXPECT_EQ(infoblock::FileName(block), row.shown) << row.what;
    }
}

class FlashOperations : public SimLinkTest {};

TEST_F(FlashOperations, SetProgrammingModeSendsLengthEightAndTheModeByte)
{
    EXPECT_TRUE(SetProgrammingMode(link, 1));
    const auto& sent = board.Received().at(0);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1, sent.begin() + 5),
              (std::vector<uint8_t>{ProgramMode, 8, 1, 0}));
    EXPECT_TRUE(board.Board().InProgrammingMode());

    board.Board().RefuseRelease(true);
    EXPECT_FALSE(SetProgrammingMode(link, 0));
    board.Unplug();
    EXPECT_FALSE(SetProgrammingMode(link, 1));  // no reply: the preset stays
}

TEST_F(FlashOperations, ReadFlashPageReadsThreePiecesOfThePage)
{
    for (std::size_t i = 0; i < 256; ++i)
        board.Board().Flash()[i] = static_cast<uint8_t>(i ^ 0xA5);
    uint8_t page[128];
    EXPECT_TRUE(ReadFlashPage(link, 128, page));
    ASSERT_EQ(board.Received().size(), 3u);
    const int lengths[] = {56, 56, 16};
    const int addresses[] = {128, 184, 240};
    for (int step = 0; step < 3; ++step) {
        const auto& sent = board.Received()[step];
        EXPECT_EQ(sent[1], ReadMemory);
        EXPECT_EQ(sent[2], lengths[step]);
        EXPECT_EQ(sent[3] | (sent[4] << 8), addresses[step]);
    }
    for (std::size_t i = 0; i < 128; ++i)
        EXPECT_EQ(page[i], static_cast<uint8_t>((128 + i) ^ 0xA5)) << i;
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusRead);
    board.Board().OverrideStatus(ReadMemory, 'R');
    EXPECT_FALSE(ReadFlashPage(link, 128, page)) << "a read answered with another status";
}

TEST_F(FlashOperations, ReadFlashPageWithoutBoardCopiesTheStaleReply)
{
    board.Unplug();
    for (std::size_t i = 0; i < link.ReplyReport().size(); ++i)
        link.ReplyReport()[i] = static_cast<uint8_t>(i);
    uint8_t page[128];
    EXPECT_FALSE(ReadFlashPage(link, 0, page)) << "no reply: the page is not the board's";
    EXPECT_EQ(page[0], DataByte);
    EXPECT_EQ(page[56], DataByte);     // each step copies from the start of the reply data
    EXPECT_EQ(page[112], DataByte);
}

TEST_F(FlashOperations, WriteFlashPageFillsThePageBufferThenPrograms)
{
    SetProgrammingMode(link, 1);
    board.ClearRecord();
    uint8_t page[128];
    for (int i = 0; i < 128; ++i)
        page[i] = static_cast<uint8_t>(200 - i);
    EXPECT_TRUE(WriteFlashPage(link, 256, page));
    ASSERT_EQ(board.Received().size(), 3u);
    const auto& first = board.Received()[0];
    const auto& second = board.Received()[1];
    const auto& program = board.Received()[2];
    EXPECT_EQ(std::vector<uint8_t>(first.begin() + 1, first.begin() + 5), (std::vector<uint8_t>{WriteMemory, 56, 0x80, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(second.begin() + 1, second.begin() + 5), (std::vector<uint8_t>{WriteMemory, 56, 0xB8, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(program.begin() + 1, program.begin() + 7),
              (std::vector<uint8_t>{ProgramPage, 18, 0xF0, 0xFF, 0x00, 0x01}));
    EXPECT_TRUE(std::equal(page, page + 56, first.begin() + 5));
    EXPECT_TRUE(std::equal(page + 56, page + 112, second.begin() + 5));
    EXPECT_TRUE(std::equal(page + 112, page + 128, program.begin() + 7));
    EXPECT_TRUE(std::equal(page, page + 128, board.Board().Flash().begin() + 256));
}

TEST_F(FlashOperations, WriteFlashPageFailsWhenTheProgramPageGetsNoReply)
{
    SetProgrammingMode(link, 1);  // leaves 'R' in the reply buffer
    uint8_t page[128]{};
    board.StopAnsweringAfter(2);
    EXPECT_FALSE(WriteFlashPage(link, 0, page));
    board.StopAnsweringAfter(std::nullopt);
    board.Board().RefusePage(0x0100);
    EXPECT_FALSE(WriteFlashPage(link, 0x0100, page));
}

}  // namespace
