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
#include "sim/SimBackend.h"
#include "support/FaultSweep.h"
#include "support/FixedTime.h"

using namespace board;

namespace {

// The sweep through the board object: its answer says what the board holds.
using namespace faultsweep;

struct Outcome {
    Flash after;
    std::optional<Result<DownloadResult>> result;
};

// A download with the fault at the given exchange (none: a download without faults).
Outcome Download(const Flash& before, std::optional<sim::LinkFault> fault, std::size_t exchange, std::size_t* exchanges)
{
    sim::SimBackend board;
    board.SetRecording(false);
    board.Board().Flash() = before;
    if (fault)
        board.InjectFault(*fault, exchange);
    Outcome run;
    Board object(board, FixedTime);
    run.result = object.Download(FileText, 123);
    run.after = board.Board().Flash();
    if (exchanges != nullptr)
        *exchanges = board.ExchangeCount();
    return run;
}

// What is wrong with one run; empty when nothing is.
std::vector<std::string> Violations(const Flash& before, bool blank, const Outcome& run)
{
    const FlashAfter judged = Judge(before, blank, run.after);
    std::vector<std::string> wrong = judged.wrong;
    // Success only for what the board holds, and the information given is what it holds.
    const Result<DownloadResult>& result = *run.result;
    const bool fullSuccess = result.Ok() && result->end == DownloadEnd::Configured &&
                             result->block == BlockEnd::Written && !result->blockFailure;
    if (!judged.fullSuccess && fullSuccess)
        wrong.push_back("the download did not fully succeed and the board object says it did");
    if (result.Ok() && result->end == DownloadEnd::Configured && !judged.configWhole)
        wrong.push_back("configured reported for a configuration that is not whole in the flash");
    if (result.Ok() && (result->block == BlockEnd::Written || result->block == BlockEnd::ReadBack)) {
        InfoBlock held;
        std::copy_n(run.after.begin(), InfoEnd, held.begin());
        const BoardInfo holds = InfoOf(held);
        if (result->info.serial != holds.serial || result->info.cycles != holds.cycles)
            wrong.push_back("the board object's information is not what the board holds");
    }
    return wrong;
}

// One instance per board: with a serial number, and blank.
class FaultSweep : public ::testing::TestWithParam<bool> {
protected:
    SweepFolder m_folder{"tarvik-fault-sweep"};
};

TEST_P(FaultSweep, EveryFaultAtEveryExchangeLeavesTheBoardKnownAndTheLogTrue)
{
    std::vector<std::string> failures;
    std::size_t runs = 0;
    const bool blank = GetParam();
    const Flash before = BoardBefore(blank);
    std::size_t exchanges = 0;
    const Outcome clean = Download(before, std::nullopt, 0, &exchanges);
    ASSERT_EQ(exchanges, blank ? 786u : 783u);
    ASSERT_TRUE(Violations(before, blank, clean).empty());
    ASSERT_TRUE(clean.result->Ok() && (*clean.result)->end == DownloadEnd::Configured);

    for (std::size_t exchange = 0; exchange < exchanges; ++exchange) {
        for (const sim::LinkFault fault : sim::AllLinkFaults) {
            ++runs;
            const Outcome run = Download(before, fault, exchange, nullptr);
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

INSTANTIATE_TEST_SUITE_P(Boards, FaultSweep, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& run) { return run.param ? "blank" : "numbered"; });

}  // namespace
