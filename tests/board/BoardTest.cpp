#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/Board.h"
#include "board/BoardText.h"
#include "board/Download.h"
#include "link/BoardLink.h"
#include "link/Reports.h"
#include "sim/SimBackend.h"
#include "support/FixedTime.h"

namespace fs = std::filesystem;
using namespace board;

namespace {

std::vector<uint8_t> Pattern(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + i / 256 + 7);
    return bytes;
}

// Records the events of an operation in order, and stops when asked after a number of pages.
struct RecordingObserver final : BoardObserver {
    void FileRead(std::size_t bytes) override { events.push_back("read " + std::to_string(bytes)); }
    void Progress(std::size_t done, std::size_t) override { lastProgress = done; ++pages; }
    void BlockNotRead() override { events.push_back("block not read"); }
    void SerialGiven(uint16_t serial) override { events.push_back("serial " + std::to_string(serial)); }
    void BlockWriteFailed(const std::optional<BoardInfo>& readBack) override
    {
        events.push_back(readBack ? "block read back" : "block unknown");
    }
    void FlashEnded(DownloadEnd end) override { events.push_back("end " + std::to_string(static_cast<int>(end))); }
    bool StopRequested() override { return stopAfterPages && pages >= *stopAfterPages; }

    std::vector<std::string> events;
    std::size_t lastProgress = 0;
    int pages = 0;
    std::optional<int> stopAfterPages;
};

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarvik-board-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        dev.Board().WriteInfoBlock({});
        boardObject.SetObserver(&observer);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    sim::SimBackend dev;
    Board boardObject{dev, FixedTime};
    RecordingObserver observer;
    fs::path m_dir;
};

TEST_F(BoardTest, DownloadWritesFlashRecordsAndReadsBackEqual)
{
    const std::vector<uint8_t> content = Pattern(1000);
    const std::string path = WriteFile("blink.rbf", content);
    const Result<DownloadResult> result = boardObject.Download(path);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result->end, DownloadEnd::Configured);
    EXPECT_EQ(result->block, BlockEnd::Written);
    EXPECT_EQ(result->fileBytes, 1000u);
    EXPECT_FALSE(result->chain.has_value());
    ASSERT_TRUE(result->info.fileName.has_value());
    EXPECT_EQ(*result->info.fileName, path.substr(0, infoblock::MaxFileNameLength));
    EXPECT_EQ(text::Date(*result->info.lastProgrammed), "03/15/2026 at 14:05:09");
    EXPECT_TRUE(std::equal(content.begin(), content.end(), dev.Board().Flash().begin() + ConfigAreaAddress));
    EXPECT_EQ(observer.pages, 256);

    const Result<Comparison> same = boardObject.ReadBack(path);
    ASSERT_TRUE(same.Ok());
    EXPECT_FALSE(same->has_value());

    dev.Board().Flash()[ConfigAreaAddress + 517] ^= 0x10;
    const Result<Comparison> differs = boardObject.ReadBack(path);
    ASSERT_TRUE(differs.Ok());
    ASSERT_TRUE(differs->has_value());
    EXPECT_EQ((*differs)->address, static_cast<unsigned>(ConfigAreaAddress + 517));
    EXPECT_EQ((*differs)->expected, content[517]);
}

TEST_F(BoardTest, BlankBoardTakesTheNumberEvenWhenTheFileCannotBeOpened)
{
    dev.Board().Flash()[0] = dev.Board().Flash()[1] = 0;
    const Result<DownloadResult> result = boardObject.Download((m_dir / "missing.rbf").string(), 42);
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(result.Error().kind, FailureKind::FileRefused);
    EXPECT_EQ(result.Error().cause, "No such file or directory");
    EXPECT_EQ(observer.events, std::vector<std::string>{"serial 42"});
    EXPECT_EQ(infoblock::Serial(dev.Board().Flash()), 42);
}

// Files the system or the board's limits refuse, with the cause named as the system gives it.
TEST_F(BoardTest, RefusedFilesNameTheirCauseAndSendNothing)
{
    const std::string folder = (m_dir / "labs").string();
    fs::create_directories(folder);
    const struct {
        std::string path;
        FileProblem problem;
        std::string cause;
    } rows[] = {
        {folder, FileProblem::CannotOpen, "Is a directory"},
        {(m_dir / "none.rbf").string(), FileProblem::CannotOpen, "No such file or directory"},
        {WriteFile("empty.rbf", {}), FileProblem::Empty, "the file is empty: it holds no configuration"},
        {WriteFile("big.rbf", Pattern(MaxConfigFileBytes + 5)), FileProblem::TooLong,
         "the file is 32772 bytes long; the board's configuration area holds 32767 bytes"},
    };
    dev.Board().Flash()[0] = 7;  // not blank: nothing to number
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const Result<DownloadResult> result = boardObject.Download(row.path, 1);
        ASSERT_FALSE(result.Ok());
        EXPECT_EQ(result.Error().kind, FailureKind::FileRefused);
        EXPECT_EQ(result.Error().cause, row.cause);
        EXPECT_EQ(result.Error().file, row.problem);
    }
}

TEST_F(BoardTest, StopRequestEndsAfterThePageInFlightAndLeavesTheBlockAlone)
{
    const auto blockBefore = std::vector<uint8_t>(dev.Board().Flash().begin(), dev.Board().Flash().begin() + 256);
    observer.stopAfterPages = 3;
    const std::string path = WriteFile("blink.rbf", Pattern(1000));
    const Result<DownloadResult> result = boardObject.Download(path);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result->end, DownloadEnd::Stopped);
    EXPECT_EQ(observer.pages, 3);
    EXPECT_TRUE(std::equal(blockBefore.begin(), blockBefore.end(), dev.Board().Flash().begin()));
    EXPECT_TRUE(dev.Board().InProgrammingMode());
}

// Each operation's failure, by what the board did.
TEST_F(BoardTest, OperationsAnswerWithTypedFailures)
{
    EXPECT_TRUE(boardObject.CheckChain().Ok());
    dev.Board().SetJtagChainEnabled(false);
    EXPECT_EQ(boardObject.CheckChain().Error().kind, FailureKind::ChainNotUsable);
    dev.Board().SetJtagChainEnabled(true);

    dev.Board().RefuseNextCapture();
    EXPECT_EQ(boardObject.CapturePins().Error().kind, FailureKind::Refused);
    EXPECT_TRUE(boardObject.CapturePins().Ok());

    dev.Board().RefuseNextCommand();
    const Result<Done> refused = boardObject.DriveAll(true);
    ASSERT_FALSE(refused.Ok());
    EXPECT_EQ(refused.Error().kind, FailureKind::NotDone);
    EXPECT_EQ(refused.Error().command, boardlink::DriveAllHigh);

    dev.DropNextReply();
    EXPECT_EQ(boardObject.LeaveTestMode().Error().kind, FailureKind::NoReply);
    EXPECT_TRUE(boardObject.DrivePin(23, PinLevel::Low).Ok());

    dev.RefuseAccess(true);
    boardObject.ForgetBoard();
    const Result<InfoBlock> cannotOpen = boardObject.ReadInfoBlock();
    ASSERT_FALSE(cannotOpen.Ok());
    EXPECT_EQ(cannotOpen.Error().kind, FailureKind::CannotOpen);
    EXPECT_EQ(cannotOpen.Error().node, dev.BoardPath());
    EXPECT_NE(cannotOpen.Error().fix.find(".rules"), std::string::npos);

    dev.RefuseAccess(false);
    dev.Unplug();
    EXPECT_EQ(boardObject.CheckChain().Error().kind, FailureKind::NoBoard);
}

// A board that stops answering costs an operation at most two waits, and the chain check at
// the end says the board did not answer rather than that the chain is off.
TEST_F(BoardTest, SilentBoardCostsAtMostTwoTimeOuts)
{
    const std::string path = WriteFile("blink.rbf", Pattern(1000));
    for (std::size_t after : {std::size_t{0}, std::size_t{5}, std::size_t{40}}) {
        SCOPED_TRACE(after);
        dev.StopAnsweringAfter(after);
        const uint64_t before = dev.ElapsedMs();
        const Result<DownloadResult> result = boardObject.Download(path);
        EXPECT_LE(dev.ElapsedMs() - before, 2u * boardlink::ReadTimeoutMs + 1000u);
        ASSERT_TRUE(result.Ok());
        EXPECT_EQ(result->end, DownloadEnd::FlashUpdateFailed);
        ASSERT_TRUE(result->chain.has_value());
        EXPECT_EQ(result->chain->kind, FailureKind::NoReply);
        dev.StopAnsweringAfter(std::nullopt);
    }
}

// What a board holds, read out, is a file whose download writes the same configuration
// area: the file's bytes without the erased flash (0xFF) a download writes after them, which
// cannot be told apart from bytes 0xFF at the file's end.
TEST_F(BoardTest, ReadConfigurationGivesBackWhatADownloadWrote)
{
    std::vector<uint8_t> endsErased = Pattern(500);
    endsErased.back() = 0x11;
    const std::vector<uint8_t> readEndsErased = endsErased;
    endsErased.insert(endsErased.end(), 20, uint8_t{0xFF});
    std::vector<uint8_t> wholeArea = Pattern(MaxConfigFileBytes);
    wholeArea.back() = 0x22;
    std::vector<uint8_t> onePage = Pattern(FlashPageSize);
    onePage.back() = 0x33;
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<uint8_t> read;
    } rows[] = {
        {"file ending in bytes 0xFF", endsErased, readEndsErased},
        {"file as long as the area takes", wholeArea, wholeArea},
        {"file of one page", onePage, onePage},
    };
    const auto area = [](sim::SimBackend& board) {
        const auto& flash = board.Board().Flash();
        return std::vector<uint8_t>(flash.begin() + ConfigAreaAddress, flash.begin() + ConfigAreaAddress + ConfigAreaSize);
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = WriteFile("lab.rbf", row.file);
        ASSERT_EQ(boardObject.Download(path)->end, DownloadEnd::Configured);
        observer.pages = 0;
        const Result<std::vector<uint8_t>> read = boardObject.ReadConfiguration();
        ASSERT_TRUE(read.Ok());
        EXPECT_EQ(*read, row.read);
        EXPECT_EQ(observer.pages, 256);
        EXPECT_EQ(observer.lastProgress, ConfigAreaSize);

        // Downloaded into another board, the bytes read give the same configuration area.
        sim::SimBackend other;
        Board second(other, FixedTime);
        const std::string saved = WriteFile("saved.rbf", *read);
        ASSERT_EQ(second.Download(saved)->end, DownloadEnd::Configured);
        EXPECT_EQ(area(other), area(dev));
    }
}

TEST_F(BoardTest, ReadConfigurationOfAnErasedBoardIsEmptyAndStopsWhenAsked)
{
    const Result<std::vector<uint8_t>> erased = boardObject.ReadConfiguration();
    ASSERT_TRUE(erased.Ok());
    EXPECT_TRUE(erased->empty());

    observer.pages = 0;
    observer.stopAfterPages = 3;
    const Result<std::vector<uint8_t>> stopped = boardObject.ReadConfiguration();
    ASSERT_FALSE(stopped.Ok());
    EXPECT_EQ(stopped.Error().kind, FailureKind::Stopped);
    EXPECT_EQ(observer.pages, 3);
}

TEST(BoardTextTest, TextsFromBoardData)
{
    EXPECT_EQ(text::Serial(42), "TRK_00042");
    EXPECT_EQ(text::Date({3, 5, 2026, 7, 8, 9}), "03/05/2026 at 07:08:09");
    EXPECT_EQ(text::FileName("caf\xc3\xa9.rbf"), "caf\xc3\xa9.rbf");
    EXPECT_EQ(text::FileName("caf\xe9.rbf"), "caf\xc3\xa9.rbf");
    EXPECT_EQ(text::PinLabel(0), "P023");
    EXPECT_EQ(text::PinLabel(39), "In92");
}

}  // namespace

namespace {

// A long run (a watch at a high rate) keeps a bounded record of the reports, and none at all
// when nobody asked for one.
TEST(SimRecordTest, RecordIsBoundedAndOnlyKeptWhenAsked)
{
    sim::SimBackend dev;
    Board boardObject(dev);
    const std::size_t exchanges = 2 * sim::SimBackend::MaxRecordedReports + 10;
    for (std::size_t i = 0; i < exchanges; ++i)
        ASSERT_TRUE(boardObject.DriveAll(true).Ok());
    EXPECT_LT(dev.Received().size(), 2 * sim::SimBackend::MaxRecordedReports);
    EXPECT_GE(dev.Received().size(), sim::SimBackend::MaxRecordedReports);
    EXPECT_EQ(dev.Received().size(), dev.Sent().size());
    EXPECT_EQ(dev.Received().back()[boardlink::CommandByte], boardlink::DriveAllHigh);

    dev.ClearRecord();
    dev.SetRecording(false);
    ASSERT_TRUE(boardObject.DriveAll(false).Ok());
    EXPECT_TRUE(dev.Received().empty());
}

}  // namespace
