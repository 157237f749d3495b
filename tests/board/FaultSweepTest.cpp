#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "board/Board.h"
#include "board/Download.h"
#include "board/InfoBlock.h"
#include "board/LocalTime.h"
#include "link/BoardLink.h"
#include "sim/SimBackend.h"
#include "support/FixedTime.h"
#include "support/RecordingWindow.h"

namespace fs = std::filesystem;
using namespace board;

namespace {

// One fault at every exchange of a download, of every kind the simulated board offers, on a
// board with a serial number and on a blank one. Whatever goes wrong, the board never holds
// a record of a configuration it does not hold, nothing of its information block is
// overwritten with stale bytes, the log says when the download did not fully succeed, and
// the boxes show what the board holds.

constexpr std::size_t PageSize = 128;
constexpr std::size_t InfoEnd = 2 * PageSize;
constexpr std::size_t ConfigEnd = ConfigAreaAddress + ConfigAreaSize;
constexpr uint16_t NewSerial = 123;
const char* const FileText = "123.rbf";

using Flash = std::array<uint8_t, sim::FlashSize>;
using Page = std::array<uint8_t, PageSize>;

const std::vector<uint8_t>& Configuration()
{
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> pattern(20000);
        for (std::size_t i = 0; i < pattern.size(); ++i)
            pattern[i] = static_cast<uint8_t>(i * 13 + i / 256 + 1);
        return pattern;
    }();
    return bytes;
}

// The board before the download: an older configuration, page 1 with the board's own bytes,
// page 0 with bytes after the file name.
Flash BoardBefore(bool blank)
{
    sim::SimBoard board;
    Flash& flash = board.Flash();
    std::fill(flash.begin() + ConfigAreaAddress, flash.begin() + ConfigEnd, uint8_t{0x5A});
    for (std::size_t i = 0; i < PageSize; ++i) {
        flash[PageSize + i] = static_cast<uint8_t>(i ^ 0x3C);
        flash[i] = static_cast<uint8_t>(0xC0 + i);
    }
    sim::SimBoard::Info info;
    if (blank)
        info.serial = 0;
    board.WriteInfoBlock(info);
    return flash;
}

Page PageAt(const Flash& flash, std::size_t address)
{
    Page page;
    std::copy_n(flash.begin() + static_cast<std::ptrdiff_t>(address), PageSize, page.begin());
    return page;
}

Page WithSerial(Page page, uint16_t serial)
{
    page[0] = static_cast<uint8_t>(serial & 0xFF);
    page[1] = static_cast<uint8_t>(serial >> 8);
    return page;
}

// Page 0 as a complete download records it.
Page WithRecord(Page page)
{
    const uint8_t stamp[] = {3, 15, 26, 14, 5, 9};
    std::copy(std::begin(stamp), std::end(stamp), page.begin() + 2);
    const uint32_t cycles = infoblock::Cycles(page) + 1;
    for (std::size_t i = 0; i < 4; ++i)
        page[8 + i] = static_cast<uint8_t>(cycles >> (8 * i));
    const std::string name = FileText;
    std::copy(name.begin(), name.end(), page.begin() + 12);
    page[12 + name.size()] = 0;
    return page;
}

struct Outcome {
    Flash after;
    RecordingWindow window;
    // Through the board object: its answer.
    std::optional<Result<DownloadResult>> result;
};

// A download with the fault at the given exchange (none: a download without faults).
Outcome Download(bool viaBoard, const Flash& before, std::optional<sim::LinkFault> fault, std::size_t exchange,
                 std::size_t* exchanges)
{
    sim::SimBackend board;
    board.SetRecording(false);
    board.Board().Flash() = before;
    if (fault)
        board.InjectFault(*fault, exchange);
    Outcome run;
    if (viaBoard) {
        Board object(board, FixedTime);
        run.result = object.Download(FileText, FileText);
        run.after = board.Board().Flash();
        if (exchanges != nullptr)
            *exchanges = board.ExchangeCount();
        return run;
    }
    boardlink::BoardLink link(board, &run.window);
    InfoBlock block;
    std::copy_n(before.begin(), InfoEnd, block.begin());
    ApplyAttachDisplay(block, run.window);
    run.window.m_strFile = FileText;

    RunDownload(link, run.window, FixedTime);

    run.after = board.Board().Flash();
    if (exchanges != nullptr)
        *exchanges = board.ExchangeCount();
    return run;
}

bool Logged(const RecordingWindow& window, const std::string& text)
{
    return std::any_of(window.log.begin(), window.log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// What is wrong with one run; empty when nothing is.
std::vector<std::string> Violations(const Flash& before, bool blank, const Outcome& run)
{
    std::vector<std::string> wrong;
    const Flash& after = run.after;
    const std::vector<uint8_t>& content = Configuration();
    const bool configWhole = std::equal(content.begin(), content.end(), after.begin() + ConfigAreaAddress) &&
                             std::all_of(after.begin() + ConfigAreaAddress + static_cast<std::ptrdiff_t>(content.size()),
                                         after.begin() + ConfigEnd, [](uint8_t b) { return b == 0xFF; });

    const Page oldPage0 = PageAt(before, 0);
    const Page page0 = PageAt(after, 0);
    const std::set<Page> untouched = {oldPage0, blank ? WithSerial(oldPage0, NewSerial) : oldPage0};
    std::set<Page> recorded;
    for (const Page& page : untouched)
        recorded.insert(WithRecord(page));
    const bool recordWritten = recorded.contains(page0);
    const Page correctPage0 = WithRecord(blank ? WithSerial(oldPage0, NewSerial) : oldPage0);

    if (!untouched.contains(page0) && !recordWritten)
        wrong.push_back("page 0 holds bytes that are neither the old block nor a record of this download");
    if (PageAt(after, PageSize) != PageAt(before, PageSize))
        wrong.push_back("page 1 was changed");
    if (recordWritten && !configWhole)
        wrong.push_back("cycles and file name recorded for a configuration that is not whole in the flash");

    if (run.result) {
        // The board object's answer: success only for what the board holds, and the
        // information it gives is what the board holds.
        const Result<DownloadResult>& result = *run.result;
        const bool fullSuccess = result.Ok() && result->end == DownloadEnd::Configured &&
                                 result->block == BlockEnd::Written && !result->blockFailure;
        if (!(configWhole && page0 == correctPage0) && fullSuccess)
            wrong.push_back("the download did not fully succeed and the board object says it did");
        if (result.Ok() && result->end == DownloadEnd::Configured && !configWhole)
            wrong.push_back("configured reported for a configuration that is not whole in the flash");
        if (result.Ok() && (result->block == BlockEnd::Written || result->block == BlockEnd::ReadBack)) {
            InfoBlock held;
            std::copy_n(after.begin(), InfoEnd, held.begin());
            const BoardInfo holds = InfoOf(held);
            if (result->info.serial != holds.serial || result->info.cycles != holds.cycles)
                wrong.push_back("the board object's information is not what the board holds");
        }
        return wrong;
    }

    const bool failureLogged = Logged(run.window, "Flash memory update unsuccessful") ||
                               Logged(run.window, "FPGA configuration unsuccessful") ||
                               Logged(run.window, "Board information block not read") ||
                               Logged(run.window, "Board information block write failed");
    if (!(configWhole && page0 == correctPage0) && !failureLogged)
        wrong.push_back("the download did not fully succeed and the log does not say so");
    if (Logged(run.window, "FPGA configuration successful") && !configWhole)
        wrong.push_back("success logged for a configuration that is not whole in the flash");

    InfoBlock held;
    std::copy_n(after.begin(), InfoEnd, held.begin());
    BoardTexts holds;
    ApplyAttachDisplay(held, holds);
    const BoardTexts& shown = run.window;
    const bool showsHeld = shown.m_strSerial == holds.m_strSerial && shown.m_strCycles == holds.m_strCycles &&
                           shown.m_strLastProgrammed == holds.m_strLastProgrammed;
    const bool showsUnknown = shown.m_strSerial == UnknownText && shown.m_strCycles == UnknownText &&
                              shown.m_strLastProgrammed == UnknownText;
    if (!showsHeld && !showsUnknown)
        wrong.push_back("the boxes show " + shown.m_strSerial + ", " + shown.m_strCycles + " cycles, " +
                        shown.m_strLastProgrammed + "; the board holds " + holds.m_strSerial + ", " +
                        holds.m_strCycles + " cycles, " + holds.m_strLastProgrammed);
    return wrong;
}

// One instance per board (with a serial number, and blank) and per way in (the download
// function the window calls, and the board object).
struct SweepCase {
    bool blank;
    bool viaBoard;
};

class FaultSweep : public ::testing::TestWithParam<SweepCase> {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tarvik-fault-sweep-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        const std::vector<uint8_t> content = Configuration();
        std::ofstream(m_dir / FileText, std::ios::binary)
            .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        m_cwd = fs::current_path();
        fs::current_path(m_dir);
    }
    void TearDown() override
    {
        fs::current_path(m_cwd);
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    fs::path m_dir;
    fs::path m_cwd;
};

TEST_P(FaultSweep, EveryFaultAtEveryExchangeLeavesTheBoardKnownAndTheLogTrue)
{
    std::vector<std::string> failures;
    std::size_t runs = 0;
    const bool blank = GetParam().blank;
    const bool viaBoard = GetParam().viaBoard;
    const Flash before = BoardBefore(blank);
    std::size_t exchanges = 0;
    const Outcome clean = Download(viaBoard, before, std::nullopt, 0, &exchanges);
    ASSERT_EQ(exchanges, blank ? 786u : 783u);
    ASSERT_TRUE(Violations(before, blank, clean).empty());
    if (viaBoard)
        ASSERT_TRUE(clean.result->Ok() && (*clean.result)->end == DownloadEnd::Configured);
    else
        ASSERT_TRUE(Logged(clean.window, "FPGA configuration successful"));

    for (std::size_t exchange = 0; exchange < exchanges; ++exchange) {
        for (const sim::LinkFault fault : sim::AllLinkFaults) {
            ++runs;
            const Outcome run = Download(viaBoard, before, fault, exchange, nullptr);
            for (const std::string& wrong : Violations(before, blank, run))
                failures.push_back(std::string(blank ? "blank board" : "board") + ", exchange " +
                                   std::to_string(exchange) + ", " + std::string(sim::LinkFaultSpelling(fault)) + ": " + wrong);
        }
    }
    const std::size_t shown = std::min<std::size_t>(failures.size(), 20);
    for (std::size_t i = 0; i < shown; ++i)
        ADD_FAILURE() << failures[i];
    EXPECT_TRUE(failures.empty()) << failures.size() << " violations in " << runs << " runs; the first "
                                  << shown << " are listed above";
    RecordProperty("runs", static_cast<int>(runs));
}

INSTANTIATE_TEST_SUITE_P(Boards, FaultSweep,
                         ::testing::Values(SweepCase{false, false}, SweepCase{true, false}, SweepCase{false, true},
                                           SweepCase{true, true}),
                         [](const ::testing::TestParamInfo<SweepCase>& run) {
                             return std::string(run.param.blank ? "blank" : "numbered") +
                                    (run.param.viaBoard ? "_board_object" : "_window_download");
                         });

}  // namespace
