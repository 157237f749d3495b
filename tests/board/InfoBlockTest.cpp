#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "board/Board.h"
#include "board/InfoBlock.h"
#include "link/Reports.h"
#include "support/RecordingWindow.h"

using namespace boardlink;
using namespace board;

namespace {

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

// The flash operations of the board object: each an exact sequence of exchanges.
class FlashOperations : public SimLinkTest {};

TEST_F(FlashOperations, SetProgrammingModeSendsLengthEightAndTheModeByte)
{
    EXPECT_TRUE(boardObject.SetProgrammingMode(true).Ok());
    const auto& sent = board.Received().at(0);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1, sent.begin() + 5),
              (std::vector<uint8_t>{ProgramMode, 8, 1, 0}));
    EXPECT_TRUE(board.Board().InProgrammingMode());

    board.Board().RefuseRelease(true);
    const Result<Done> refused = boardObject.SetProgrammingMode(false);
    ASSERT_FALSE(refused.Ok());
    EXPECT_EQ(refused.Error().kind, FailureKind::NotDone);
    board.Unplug();
    EXPECT_FALSE(boardObject.SetProgrammingMode(true).Ok()) << "no reply";
}

TEST_F(FlashOperations, ReadFlashPageReadsThreePiecesOfThePage)
{
    for (std::size_t i = 0; i < 256; ++i)
        board.Board().Flash()[i] = static_cast<uint8_t>(i ^ 0xA5);
    std::array<uint8_t, 128> page{};
    EXPECT_TRUE(boardObject.ReadFlashPage(128, page).Ok());
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
    board.Board().OverrideStatus(ReadMemory, 'R');
    EXPECT_EQ(boardObject.ReadFlashPage(128, page).Error().kind, FailureKind::NotDone)
        << "a read answered with another status";
}

TEST_F(FlashOperations, ReadFlashPageWithoutBoardLeavesThePageAlone)
{
    ASSERT_TRUE(boardObject.CapturePins().Ok());  // a reply whose bytes stay in the buffer
    board.Unplug();
    std::array<uint8_t, 128> page;
    page.fill(0x5A);
    EXPECT_FALSE(boardObject.ReadFlashPage(0, page).Ok());
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0x5A; }))
        << "no reply: nothing of the stale reply is taken for the page";
}

TEST_F(FlashOperations, WritePageFillsThePageBufferThenPrograms)
{
    boardObject.SetProgrammingMode(true);
    board.ClearRecord();
    std::array<uint8_t, 128> page{};
    for (int i = 0; i < 128; ++i)
        page[static_cast<std::size_t>(i)] = static_cast<uint8_t>(200 - i);
    EXPECT_TRUE(boardObject.WritePage(256, page).Ok());
    ASSERT_EQ(board.Received().size(), 3u);
    const auto& first = board.Received()[0];
    const auto& second = board.Received()[1];
    const auto& program = board.Received()[2];
    EXPECT_EQ(std::vector<uint8_t>(first.begin() + 1, first.begin() + 5), (std::vector<uint8_t>{WriteMemory, 56, 0x80, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(second.begin() + 1, second.begin() + 5), (std::vector<uint8_t>{WriteMemory, 56, 0xB8, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(program.begin() + 1, program.begin() + 7),
              (std::vector<uint8_t>{ProgramPage, 18, 0xF0, 0xFF, 0x00, 0x01}));
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 56, first.begin() + 5));
    EXPECT_TRUE(std::equal(page.begin() + 56, page.begin() + 112, second.begin() + 5));
    EXPECT_TRUE(std::equal(page.begin() + 112, page.end(), program.begin() + 7));
    EXPECT_TRUE(std::equal(page.begin(), page.end(), board.Board().Flash().begin() + 256));
}

TEST_F(FlashOperations, WritePageFailsWhenTheProgramPageGetsNoReply)
{
    boardObject.SetProgrammingMode(true);  // leaves 'R' in the reply buffer
    const std::array<uint8_t, 128> page{};
    board.StopAnsweringAfter(2);
    EXPECT_EQ(boardObject.WritePage(0, page).Error().kind, FailureKind::NoReply);
    board.StopAnsweringAfter(std::nullopt);
    board.Board().RefusePage(0x0100);
    EXPECT_EQ(boardObject.WritePage(0x0100, page).Error().kind, FailureKind::NotDone);
}

}  // namespace
