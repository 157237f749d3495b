#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "board/LeadingInt.h"
#include "app/BoardDisplay.h"
#include "board/Download.h"
#include "board/InfoBlock.h"
#include "board/LocalTime.h"
#include "sim/SimBackend.h"
#include "support/FixedTime.h"
#include "support/RecordingHost.h"

namespace fs = std::filesystem;
using namespace board;

namespace {

constexpr std::size_t PageSize = 128;
constexpr std::size_t PageCount = 256;
constexpr std::size_t ConfigEnd = ConfigAreaAddress + ConfigAreaSize;
// 15 March 2026, 14:05:09 local time.
constexpr uint8_t StampBytes[] = {3, 15, 26, 14, 5, 9};
const char* const Stamp = "03/15/2026 14:05:09 ";
const char* const OldDateText = "11/28/2026 at 09:30:05";
const char* const ReadyText = "FPGA configuration successful";
const char* const OpenErrorBox = "Open Error: Uable to open RBF file";

std::vector<uint8_t> Pattern(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + i / 256 + 7);
    return bytes;
}

std::string ReadLine(std::size_t count) { return "  Read " + std::to_string(count) + " bytes from RBF file"; }

using Flash = std::array<uint8_t, sim::FlashSize>;

// -1 when equal, else the first flash address that differs.
// Test names and printed parameters from the rows' labels.
template <class Row>
std::string RowLabel(const ::testing::TestParamInfo<Row>& row)
{
    return row.param.label;
}

template <class Row>
    requires requires(const Row& row) { row.label; }
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.label;
}

long FirstDifference(const Flash& expected, const Flash& actual)
{
    const auto at = std::mismatch(expected.begin(), expected.end(), actual.begin());
    return at.first == expected.end() ? -1 : static_cast<long>(at.first - expected.begin());
}

// The main window's download on the simulated board, with the window's texts recorded.
class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tarvik-download-") + std::to_string(::getpid()) + "-" + test->name();
        std::replace(name.begin(), name.end(), '/', '-');
        m_dir = fs::temp_directory_path() / name;
        fs::create_directories(m_dir);

        // An older configuration in the flash, page 1 with the board's own data and page 0
        // with bytes after the file name, so that every byte the download leaves alone shows.
        Flash& flash = board.Board().Flash();
        std::fill(flash.begin() + ConfigAreaAddress, flash.begin() + ConfigEnd, uint8_t{0x5A});
        for (std::size_t i = 0; i < PageSize; ++i) {
            flash[PageSize + i] = static_cast<uint8_t>(i ^ 0x3C);
            flash[i] = static_cast<uint8_t>(0xC0 + i);
        }
        board.Board().WriteInfoBlock({});
        window.m_strFile = WriteRbf("blink.rbf", Pattern(1000));
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string WriteRbf(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    // Downloads with the board as it is now, as the Download button does: the boxes taken
    // first, the board object's events and answer in the window's words, the boxes shown
    // after. Before() is the flash just before.
    void Download()
    {
        m_before = board.Board().Flash();
        window.UpdateData(true);
        DownloadEvents events(window);
        window.BoardObject().SetObserver(&events);
        const board::Result<DownloadResult> result =
            window.BoardObject().Download(window.m_strFile, board::SerialFromFileText(window.m_strFile));
        window.BoardObject().SetObserver(nullptr);
        ShowDownloadResult(result, window);
        window.UpdateData(false);
    }
    const Flash& Before() const { return m_before; }
    const Flash& After() { return board.Board().Flash(); }
    std::size_t Exchanges() { return board.Received().size(); }

    // The boxes are taken before the first exchange and shown again after the last.
    void ExpectBoxesTakenFirstAndShownLast()
    {
        EXPECT_EQ(window.updates, (std::vector<RecordingHost::Update>{{true, 0}, {false, Exchanges()}}));
    }

    // The flash a complete download of content leaves: the configuration area filled with
    // it and erased bytes after it, page 0 with the stamp, cycles and name.
    Flash ExpectedAfterSuccess(const std::vector<uint8_t>& content, uint32_t cycles, const std::string& name) const
    {
        Flash expected = m_before;
        for (std::size_t k = 0; k < ConfigAreaSize; ++k)
            expected[ConfigAreaAddress + k] = k < content.size() ? content[k] : uint8_t{0xFF};
        std::copy(std::begin(StampBytes), std::end(StampBytes), expected.begin() + 2);
        for (std::size_t i = 0; i < 4; ++i)
            expected[8 + i] = static_cast<uint8_t>(cycles >> (8 * i));
        std::copy(name.begin(), name.end(), expected.begin() + 12);
        expected[12 + name.size()] = 0;
        return expected;
    }

    sim::SimBackend board;
    RecordingHost window{board, FixedTime};
    fs::path m_dir;

private:
    Flash m_before{};
};

// Files the download takes: up to the area's 32767 bytes, and longer ones whose bytes past
// the area are all erased-flash padding (0xFF), which is dropped.
struct FileCase {
    const char* label;
    std::size_t patternBytes;
    std::size_t erasedTail;  // 0xFF bytes after the pattern
    std::size_t used;
};

class DownloadFileTest : public DownloadTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(DownloadFileTest, FlashHoldsTheFileAndTheRecord)
{
    const FileCase& c = GetParam();
    std::vector<uint8_t> content = Pattern(c.patternBytes);
    content.resize(c.patternBytes + c.erasedTail, 0xFF);
    window.m_strFile = WriteRbf("config.rbf", content);
    content.resize(c.used);

    Download();

    EXPECT_EQ(FirstDifference(ExpectedAfterSuccess(content, 8, window.m_strFile), After()), -1);
    EXPECT_EQ(window.log, (std::vector<std::string>{ReadLine(c.used), std::string(Stamp) + ReadyText}));
    EXPECT_TRUE(window.messageBoxes.empty());
    ExpectBoxesTakenFirstAndShownLast();
    EXPECT_EQ(Exchanges(), 783u);
    EXPECT_FALSE(board.Board().InProgrammingMode());

    ASSERT_EQ(window.progress.size(), PageCount);
    for (std::size_t page = 0; page < PageCount; ++page)
        ASSERT_EQ(window.progress[page], static_cast<int>(page * PageSize));
    EXPECT_EQ(window.progress.back(), 32640);
    EXPECT_EQ(std::make_pair(window.progressLower, window.progressUpper), std::make_pair(0, 32767));

    EXPECT_EQ(window.m_strSerial, "TRK_00042");
    EXPECT_EQ(window.m_strLastProgrammed, "03/15/2026 at 14:05:09");
    EXPECT_EQ(window.m_strCycles, "8");
}

INSTANTIATE_TEST_SUITE_P(Files, DownloadFileTest,
                         ::testing::Values(FileCase{"oneByte", 1, 0, 1}, FileCase{"short", 1000, 0, 1000},
                                           FileCase{"full", 32767, 0, 32767},
                                           FileCase{"erasedPaddingPastTheArea", 32767, 7233, 32767},
                                           FileCase{"erasedPaddingFromInsideTheArea", 32000, 100000, 32767}),
                         RowLabel<FileCase>);

// Files that cannot be a configuration for the board: refused with a box before anything is
// sent, so even a blank board does not get the number the file text begins with.
struct RefusedFileCase {
    const char* label;
    std::function<void(const std::string& path)> make;
    std::string box;
};

class RefusedFileTest : public DownloadTest, public ::testing::WithParamInterface<RefusedFileCase> {};

TEST_P(RefusedFileTest, SendsNothing)
{
    const RefusedFileCase& c = GetParam();
    sim::SimBoard::Info info;
    info.serial = 0;
    board.Board().WriteInfoBlock(info);
    c.make((m_dir / "42.rbf").string());
    const fs::path cwd = fs::current_path();
    fs::current_path(m_dir);
    window.m_strFile = "42.rbf";

    Download();
    fs::current_path(cwd);

    EXPECT_EQ(window.messageBoxes, std::vector<std::string>{"Open Error: " + c.box});
    EXPECT_EQ(Exchanges(), 0u);
    EXPECT_EQ(FirstDifference(Before(), After()), -1);
    EXPECT_FALSE(board.Board().InProgrammingMode());
    EXPECT_TRUE(window.log.empty());
    ExpectBoxesTakenFirstAndShownLast();
    EXPECT_TRUE(window.progress.empty());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// The area's bytes, then padding with one byte that is not 0xFF at offset `at` past the area.
std::vector<uint8_t> PaddedWithStrayByte(std::size_t at)
{
    std::vector<uint8_t> bytes = Pattern(32767);
    bytes.resize(32767 + at + 1, 0xFF);
    bytes.back() = 0x00;
    return bytes;
}

std::string TooLong(const std::string& size)
{
    return "The RBF file is " + size + " bytes long; the board's configuration area holds 32767 bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFileTest,
    ::testing::Values(
        RefusedFileCase{"empty", [](const std::string& path) { WriteBytes(path, {}); },
                        "The RBF file is empty: it holds no configuration to download"},
        RefusedFileCase{"oneByteOver", [](const std::string& path) { WriteBytes(path, PaddedWithStrayByte(0)); },
                        TooLong("32768")},
        RefusedFileCase{"strayByteFarPastTheArea",
                        [](const std::string& path) { WriteBytes(path, PaddedWithStrayByte(200000)); },
                        TooLong("232768")},
        // Holes of a sparse file read as zeros: refused at the first, without reading 4 GiB.
        RefusedFileCase{"sparse4GiB",
                        [](const std::string& path) {
                            WriteBytes(path, Pattern(32767));
                            fs::resize_file(path, uint64_t{1} << 32);
                        },
                        TooLong("4294967296")}),
    RowLabel<RefusedFileCase>);

TEST_F(DownloadTest, CyclesWrapAtTheirLargestValue)
{
    sim::SimBoard::Info info;
    info.cycles = 0xFFFFFFFF;
    board.Board().WriteInfoBlock(info);

    Download();

    EXPECT_EQ(FirstDifference(ExpectedAfterSuccess(Pattern(1000), 0, window.m_strFile), After()), -1);
    EXPECT_EQ(window.m_strCycles, "0");
}

// Page k refused: the pages before it hold the new file, it and all after it the old one,
// and the information block is as it was.
class PageFailureTest : public DownloadTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(PageFailureTest, StopsAtTheRefusedPage)
{
    const std::size_t k = GetParam();
    const std::vector<uint8_t> content = Pattern(32767);
    window.m_strFile = WriteRbf("config.rbf", content);
    board.Board().RefusePage(static_cast<uint16_t>(ConfigAreaAddress + k * PageSize));

    Download();

    Flash expected = Before();
    std::copy_n(content.begin(), k * PageSize, expected.begin() + ConfigAreaAddress);
    EXPECT_EQ(FirstDifference(expected, After()), -1);
    EXPECT_EQ(window.log,
              (std::vector<std::string>{ReadLine(32767), std::string(Stamp) + "Flash memory update unsuccessful"}));
    ExpectBoxesTakenFirstAndShownLast();
    ASSERT_EQ(window.progress.size(), k + 1);
    EXPECT_EQ(window.progress.back(), static_cast<int>(k * PageSize));
    EXPECT_EQ(Exchanges(), 7 + 3 * (k + 1) + 1);
    EXPECT_TRUE(board.Board().InProgrammingMode());
    EXPECT_EQ(window.m_strLastProgrammed, OldDateText);
    EXPECT_EQ(window.m_strCycles, "7");
}

INSTANTIATE_TEST_SUITE_P(Pages, PageFailureTest, ::testing::Values(0u, 1u, 255u));

TEST_F(DownloadTest, BoardThatNeverAnswersFailsTheFirstPage)
{
    board.StopAnsweringAfter(0);

    Download();

    const auto& log = window.log;
    const auto read = std::find(log.begin(), log.end(), ReadLine(1000));
    const auto failed = std::find(log.begin(), log.end(), std::string(Stamp) + "Flash memory update unsuccessful");
    ASSERT_NE(read, log.end());
    ASSERT_NE(failed, log.end());
    EXPECT_LT(read, failed);
    EXPECT_EQ(std::find(log.begin(), log.end(), std::string(Stamp) + ReadyText), log.end());
    // The chain check got no answer either: it says so, not that the chain is off.
    EXPECT_EQ(log.back(), "JTAG boundary scan chain not checked: the board did not answer");
    EXPECT_EQ(window.progress, std::vector<int>{0});
    EXPECT_TRUE(std::equal(Before().begin(), Before().begin() + 256, After().begin()));
}

// A reply lost while the information block is read, on a board that answers again: the
// configuration still goes in, but the block is neither written back nor shown from the
// stale bytes that stood in the reply buffer.
TEST_F(DownloadTest, InformationBlockNotReadIsLeftAsItIs)
{
    const std::vector<uint8_t> content = Pattern(1000);
    window.m_strSerial = "TRK_00042";
    board.DropNextReply(5);  // mode 1, three reads of page 0, then the second read of page 1

    Download();

    EXPECT_TRUE(std::equal(Before().begin(), Before().begin() + 256, After().begin()))
        << "page 0 and page 1 exactly as they were";
    EXPECT_TRUE(std::equal(content.begin(), content.end(), After().begin() + ConfigAreaAddress));
    const auto& log = window.log;
    EXPECT_NE(std::find(log.begin(), log.end(), "  Board information block not read: it is left as it is"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), std::string(Stamp) + ReadyText), log.end());
    EXPECT_EQ(window.m_strSerial, "TRK_00042");
}

// One exchange of the download goes wrong. A configuration page stops the download as a
// refused page does; an information block write is read back, logged and shown as the
// board holds it, or as unknown when it cannot be read back.
struct WriteFaultCase {
    const char* label;
    std::size_t exchange;  // 7 for mode and reads, 3 per page; 775 is page 0 of the record
    sim::LinkFault fault;
    std::vector<std::string> lines;  // the download's log lines after the read line
    const char* cycles;
    uint32_t heldCycles;
};

class WriteFaultTest : public DownloadTest, public ::testing::WithParamInterface<WriteFaultCase> {};

TEST_P(WriteFaultTest, NoWriteIsTakenOnTrust)
{
    const WriteFaultCase& c = GetParam();
    board.InjectFault(c.fault, c.exchange);

    Download();

    // The download's own lines, without the board link's lines about the lost exchange.
    std::vector<std::string> log;
    std::copy_if(window.log.begin(), window.log.end(), std::back_inserter(log), [](const std::string& line) {
        return line.rfind("  Read", 0) == 0 || line.rfind("  Board", 0) == 0 || line.rfind(Stamp, 0) == 0;
    });
    std::vector<std::string> expected{ReadLine(1000)};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(log, expected);
    EXPECT_EQ(infoblock::Cycles(After()), c.heldCycles);
    EXPECT_EQ(std::vector<uint8_t>(After().begin() + 128, After().begin() + 256),
              std::vector<uint8_t>(Before().begin() + 128, Before().begin() + 256));
    EXPECT_EQ(window.m_strCycles, c.cycles);
}

const char* const PageFailed = "03/15/2026 14:05:09 Flash memory update unsuccessful";

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFaultTest,
    ::testing::Values(
        WriteFaultCase{"firstPageBufferWriteFails", 7 + 3 * 4, sim::LinkFault::WriteFails, {PageFailed}, "7", 7},
        WriteFaultCase{"secondPageBufferWriteRefused", 7 + 3 * 4 + 1, sim::LinkFault::Refused, {PageFailed}, "7", 7},
        WriteFaultCase{"pageBufferBoardDropsOut", 7 + 3 * 200 + 1, sim::LinkFault::DropOut, {PageFailed}, "7", 7},
        WriteFaultCase{"recordRefused",
                       775,
                       sim::LinkFault::Refused,
                       {"  Board information block write failed; read back, it holds TRK_00042, 7 cycles, last "
                        "programmed 11/28/2026 at 09:30:05",
                        std::string(Stamp) + ReadyText},
                       "7",
                       7},
        WriteFaultCase{"recordProgrammedButItsReplyLost",
                       777,
                       sim::LinkFault::NoReply,
                       {"  Board information block write failed; read back, it holds TRK_00042, 8 cycles, last "
                        "programmed 03/15/2026 at 14:05:09",
                        std::string(Stamp) + ReadyText},
                       "8",
                       8},
        WriteFaultCase{"boardGoneAtTheRecord",
                       775,
                       sim::LinkFault::Unplug,
                       {"  Board information block write failed and it could not be read back: the board may hold "
                        "its old or its new information block",
                        std::string(Stamp) + "FPGA configuration unsuccessful"},
                       UnknownText,
                       7}),
    RowLabel<WriteFaultCase>);

// What the release and the chain check say after all pages went in.
struct VerdictCase {
    const char* label;
    bool refuseRelease;
    bool chainEnabled;
    std::vector<std::string> linesAfterRead;
};

class VerdictTest : public DownloadTest, public ::testing::WithParamInterface<VerdictCase> {};

TEST_P(VerdictTest, LogsTheOutcome)
{
    const VerdictCase& c = GetParam();
    board.Board().RefuseRelease(c.refuseRelease);
    board.Board().SetJtagChainEnabled(c.chainEnabled);

    Download();

    std::vector<std::string> expected{ReadLine(1000)};
    expected.insert(expected.end(), c.linesAfterRead.begin(), c.linesAfterRead.end());
    EXPECT_EQ(window.log, expected);
    // The information block is written before the release either way.
    EXPECT_EQ(FirstDifference(ExpectedAfterSuccess(Pattern(1000), 8, window.m_strFile), After()), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, VerdictTest,
    ::testing::Values(VerdictCase{"releaseRefused", true, true, {std::string(Stamp) + "FPGA configuration unsuccessful"}},
                      VerdictCase{"chainDisabled",
                                  false,
                                  false,
                                  {std::string(Stamp) + ReadyText,
                                   "JTAG boundary scan chain not enabled .... board tests will not work!"}}),
    RowLabel<VerdictCase>);

// A blank board takes the number the file text begins with, written before the file is
// opened; none of these texts names a file, so each ends at the open.
struct SerialCase {
    const char* label;
    const char* text;
    std::optional<uint16_t> serial;
};

class BlankSerialTest : public DownloadTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(BlankSerialTest, WritesTheNumberBeforeTheOpen)
{
    const SerialCase& c = GetParam();
    sim::SimBoard::Info info;
    info.serial = 0;
    board.Board().WriteInfoBlock(info);
    window.m_strFile = c.text;

    Download();

    Flash expected = Before();
    if (c.serial) {
        expected[0] = static_cast<uint8_t>(*c.serial & 0xFF);
        expected[1] = static_cast<uint8_t>(*c.serial >> 8);
    }
    EXPECT_EQ(FirstDifference(expected, After()), -1);
    EXPECT_EQ(Exchanges(), c.serial ? 10u : 7u);
    EXPECT_EQ(window.messageBoxes, std::vector<std::string>{OpenErrorBox});
    EXPECT_TRUE(window.log.empty());
    ExpectBoxesTakenFirstAndShownLast();
    EXPECT_EQ(window.m_strSerial, UnknownText);
}

INSTANTIATE_TEST_SUITE_P(Texts, BlankSerialTest,
                         ::testing::Values(SerialCase{"plain", "42", 42}, SerialCase{"wraps", "65537", 1},
                                           SerialCase{"negative", "-1", 65535},
                                           SerialCase{"leadingBlanksAndTail", "  +7 boards", 7},
                                           SerialCase{"path", "/no/such/dir/blink.rbf", std::nullopt}),
                         RowLabel<SerialCase>);

TEST_F(DownloadTest, BlankBoardGetsItsNumberOnAFullDownload)
{
    sim::SimBoard::Info info;
    info.serial = 0;
    board.Board().WriteInfoBlock(info);
    WriteRbf("123.rbf", Pattern(1000));
    const fs::path cwd = fs::current_path();
    fs::current_path(m_dir);
    window.m_strFile = "123.rbf";

    Download();
    fs::current_path(cwd);

    Flash expected = ExpectedAfterSuccess(Pattern(1000), 8, "123.rbf");
    expected[0] = 123;
    expected[1] = 0;
    EXPECT_EQ(FirstDifference(expected, After()), -1);
    EXPECT_EQ(Exchanges(), 786u);
    EXPECT_EQ(window.m_strSerial, "TRK_00123");
}

// The stored name: at most 99 bytes, never half a UTF-8 character; paths outside ASCII open.
struct NameCase {
    const char* label;
    std::size_t characterAt;  // byte position of the character in the path
    const char* character;
    std::size_t storedBytes;  // 0: the whole path
};

class FileNameTest : public DownloadTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(FileNameTest, StoresTheNameCut)
{
    const NameCase& c = GetParam();
    const std::string dir = m_dir.string() + "/";
    ASSERT_LT(dir.size(), c.characterAt);
    const std::string name = std::string(c.characterAt - dir.size(), 'a') + c.character + "-tail.rbf";
    const std::string path = WriteRbf(name, Pattern(1000));
    window.m_strFile = path;

    Download();

    const std::string stored = c.storedBytes == 0 ? path : path.substr(0, c.storedBytes);
    EXPECT_EQ(FirstDifference(ExpectedAfterSuccess(Pattern(1000), 8, stored), After()), -1);
    EXPECT_EQ(window.log.back(), std::string(Stamp) + ReadyText);
    EXPECT_EQ(window.m_strFile, path);
}

INSTANTIATE_TEST_SUITE_P(Names, FileNameTest,
                         ::testing::Values(NameCase{"nonAsciiShort", 60, "\xC3\xBC", 0},
                                           NameCase{"asciiLong", 140, "b", 99},
                                           NameCase{"ascii99", 98, "b", 99},
                                           NameCase{"twoByteCut", 98, "\xC3\xBC", 98},
                                           NameCase{"threeByteCut", 98, "\xE2\x82\xAC", 98},
                                           NameCase{"fourByteCut", 96, "\xF0\x9F\x94\x8C", 96},
                                           NameCase{"fourByteFits", 95, "\xF0\x9F\x94\x8C", 99}),
                         RowLabel<NameCase>);

// Files the download cannot use: the box, then nothing but the display refresh. Pipes and
// devices must be refused without reading them (a pipe without a writer would block).
struct UnusableCase {
    const char* label;
    std::function<std::string(const fs::path& dir)> make;
    bool needsPermissionChecks;
};

class UnusableFileTest : public DownloadTest, public ::testing::WithParamInterface<UnusableCase> {
protected:
    void DownloadAndExpectTheBox()
    {
        Download();

        EXPECT_EQ(window.messageBoxes, std::vector<std::string>{OpenErrorBox});
        EXPECT_TRUE(window.log.empty());
        ExpectBoxesTakenFirstAndShownLast();
        EXPECT_EQ(Exchanges(), 7u);
        EXPECT_EQ(FirstDifference(Before(), After()), -1);
        EXPECT_TRUE(window.progress.empty());
        // The bar's range is first set once the file has been read.
        EXPECT_EQ(window.progressUpper, RecordingHost(board).progressUpper);
        EXPECT_EQ(window.m_strSerial, UnknownText);
    }
};

TEST_P(UnusableFileTest, ShowsTheBoxAndWritesNothing)
{
    const UnusableCase& c = GetParam();
    window.m_strFile = c.make(m_dir);
    if (!c.needsPermissionChecks || ::geteuid() != 0) {
        DownloadAndExpectTheBox();
        return;
    }

    // Root opens any file: the download runs in a child that has become an ordinary user.
    constexpr uid_t NobodyUid = 65534;
    constexpr int CannotChangeUser = 77;
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (::setgid(NobodyUid) != 0 || ::setuid(NobodyUid) != 0)
            std::_Exit(CannotChangeUser);
        DownloadAndExpectTheBox();
        std::fflush(stdout);
        std::_Exit(HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == CannotChangeUser)
        GTEST_SKIP() << "running as root without the right to become another user, and root opens any file";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the download as an ordinary user failed the checks printed above";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableFileTest,
    ::testing::Values(
        UnusableCase{"missing", [](const fs::path& dir) { return (dir / "missing.rbf").string(); }, false},
        UnusableCase{"directory", [](const fs::path& dir) { return dir.string(); }, false},
        UnusableCase{"namedPipe",
                     [](const fs::path& dir) {
                         const std::string path = (dir / "pipe.rbf").string();
                         EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
                         return path;
                     },
                     false},
        UnusableCase{"device", [](const fs::path&) { return std::string("/dev/zero"); }, false},
        // A regular file whose read fails: the process's memory at address 0.
        UnusableCase{"readFails", [](const fs::path&) { return std::string("/proc/self/mem"); }, false},
        UnusableCase{"noPermission",
                     [](const fs::path& dir) {
                         const fs::path path = dir / "locked.rbf";
                         std::ofstream(path) << "data";
                         fs::permissions(path, fs::perms::none);
                         return path.string();
                     },
                     true}),
    RowLabel<UnusableCase>);

}  // namespace
