#include <gtest/gtest.h>

#include "support/RecordingWindow.h"
#include "support/SystemWords.h"

using namespace boardlink;

namespace {

class ExchangeTest : public SimLinkTest {};

TEST_F(ExchangeTest, NoBoardIsSilentAndLeavesTheReplyUntouched)
{
    board.Unplug();
    link.ReplyReport().fill(0x5A);
    link.ReplyReport()[StatusByte] = StatusPreset;
    const ReportBuffer before = link.ReplyReport();
    link.SetCommand(JtagCheck, 1, 0);
    link.ExchangeReports();
    EXPECT_EQ(link.ReplyReport(), before);
    EXPECT_TRUE(window.log.empty());
    EXPECT_FALSE(link.DeviceFound());
}

TEST_F(ExchangeTest, SendsTheOutputReportLengthWithReportIdZero)
{
    link.CommandReport()[0] = 0x77;
    link.SetCommand(JtagCheck, 1, 0);
    link.ReplyReport()[StatusByte] = StatusPreset;
    link.ExchangeReports();
    ASSERT_EQ(board.Received().size(), 1u);
    const auto& sent = board.Received()[0];
    EXPECT_EQ(sent.size(), sim::SimBackend::ReportByteLength);
    EXPECT_EQ(sent[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1, sent.begin() + 5), (std::vector<uint8_t>{JtagCheck, 1, 0, 0}));
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusSuccess);
    EXPECT_TRUE(link.DeviceFound());
    EXPECT_EQ(link.BoardDevicePath(), sim::SimBackend::DefaultBoardPath);
    EXPECT_EQ(window.registrations, 1);
}

TEST_F(ExchangeTest, JtagCheckAfterWriteMemoryCarriesTheLeftoverData)
{
    link.SetCommand(WriteMemory, 56, PageBufferAddress);
    for (int i = 0; i < 56; ++i)
        link.CommandReport()[DataByte + i] = static_cast<uint8_t>(i + 1);
    link.ExchangeReports();
    link.SetCommand(JtagCheck, 1, 0);
    link.ExchangeReports();
    const auto& check = board.Received().at(1);
    EXPECT_EQ(check[1], JtagCheck);
    for (int i = 0; i < 56; ++i)
        EXPECT_EQ(check[DataByte + i], i + 1) << "data byte " << i;
}

TEST_F(ExchangeTest, TimeoutLogsClosesAndTheNextExchangeSearchesAgain)
{
    link.ExchangeReports();  // opens the board
    link.ReplyReport().fill(0x33);
    link.ReplyReport()[StatusByte] = StatusPreset;
    board.DropNextReply();
    link.SetCommand(JtagCheck, 1, 0);
    link.ExchangeReports();
    EXPECT_EQ(window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));
    EXPECT_FALSE(link.DeviceFound());
    ReportBuffer expected;
    expected.fill(0x33);
    expected[0] = 0;
    expected[StatusByte] = StatusPreset;
    EXPECT_EQ(link.ReplyReport(), expected);
    EXPECT_EQ(board.OpenHandleCount(), 0u);
    EXPECT_EQ(board.ElapsedMs(), 6000u) << "the read waits 6000 ms, no more";

    link.ExchangeReports();
    EXPECT_TRUE(link.DeviceFound());
    EXPECT_EQ(window.registrations, 2);
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusSuccess);
}

// A reply that arrives after its read gave up waits in the device's queue; it is discarded
// before the next command, so that command gets its own reply, not the stale one.
TEST_F(ExchangeTest, LateReplyIsNeverTakenForTheNextCommandsReply)
{
    board.Board().Flash()[0x40] = 0x99;
    board.InjectFault(sim::LinkFault::LateReply);
    link.SetCommand(ProgramMode, 8, 1);
    link.ReplyReport()[StatusByte] = StatusPreset;
    link.ExchangeReports();
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusPreset);
    EXPECT_EQ(window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));

    link.SetCommand(ReadMemory, 16, 0x40);
    link.ReplyReport()[StatusByte] = StatusPreset;
    link.ExchangeReports();
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusRead);
    EXPECT_EQ(link.ReplyReport()[2], ReadMemory) << "the reply is the read's, not the late one of ProgramMode";
    EXPECT_EQ(link.ReplyReport()[DataByte], 0x99);
    EXPECT_EQ(board.Received().size(), 2u);
}

TEST_F(ExchangeTest, WriteFailureLogsTimeLineAndTheReadStepReopens)
{
    link.ExchangeReports();
    board.FailNextWrite();
    board.ClearRecord();
    link.SetCommand(JtagCheck, 1, 0);
    link.ReplyReport()[StatusByte] = StatusPreset;
    link.ExchangeReports();
    // The failed write is not repeated; the read step found the board again and waited
    // for a reply to a command that never went out.
    EXPECT_EQ(window.log, (std::vector<std::string>{"<time>", "  Can't write to device", "ReadFile timeout",
                                                    "Can't read from device"}));
    EXPECT_TRUE(board.Received().empty());
    EXPECT_EQ(window.registrations, 2);
}

TEST_F(ExchangeTest, FirstMatchingInterfaceIsTheBoard)
{
    board.AddOtherDevice({"/dev/hidraw-other", BoardVendorId, 0x1300, {}}, true);
    board.AddOtherDevice({"/dev/hidraw-second", BoardVendorId, BoardProductId, {}}, false);
    link.ExchangeReports();
    EXPECT_EQ(link.BoardDevicePath(), sim::SimBackend::DefaultBoardPath);
    EXPECT_EQ(board.OpenHandleCount(), 3u);  // query, write and read handles of the board only
    EXPECT_EQ(board.OpenedPaths(), (std::vector<std::string>{"/dev/hidraw-other", sim::SimBackend::DefaultBoardPath,
                                                             sim::SimBackend::DefaultBoardPath,
                                                             sim::SimBackend::DefaultBoardPath}))
        << "the interface after the board is never examined";
}

TEST_F(ExchangeTest, MouseUsageGivesTheSystemDeviceNoticeAndIsStillUsed)
{
    board.SetBoardCaps({0x0001, 0x0002, 65, 65});
    link.SetCommand(JtagCheck, 1, 0);
    link.ReplyReport()[StatusByte] = StatusPreset;
    link.ExchangeReports();
    EXPECT_EQ(window.log, (std::vector<std::string>{"", "*************************", "The device is a system mouse.",
                                                    "Windows 2000 and Windows XP don't allow applications",
                                                    "to directly request Input reports from or ",
                                                    "write Output reports to these devices.",
                                                    "*************************", ""}));
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusSuccess);
}

TEST_F(ExchangeTest, ReportLengthsOutsideTheBuffersRefuseTheBoard)
{
    for (const uint16_t length : {uint16_t{60}, uint16_t{257}}) {
        BoardLink fresh(board, &window);
        window.log.clear();
        board.SetBoardCaps({0xFF00, 1, length, 65});
        board.ClearRecord();
        fresh.ExchangeReports();
        EXPECT_FALSE(fresh.DeviceFound()) << length;
        EXPECT_TRUE(board.Received().empty()) << length;
        ASSERT_EQ(window.log.size(), 1u) << length;
        EXPECT_NE(window.log[0].find("refused"), std::string::npos) << window.log[0];
        EXPECT_NE(window.log[0].find(sim::SimBackend::DefaultBoardPath), std::string::npos);
    }
}

TEST_F(ExchangeTest, UnopenableBoardNamesTheNodeAndFailsWithoutWaiting)
{
    board.RefuseAccess(true);
    link.SetCommand(JtagCheck, 1, 0);
    link.ReplyReport()[StatusByte] = StatusPreset;
    link.ExchangeReports();
    // The node and the reason, then the fix, said once although the write step and the read
    // step each searched.
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "Cannot open board device /dev/hidraw-sim0: Permission denied",
                              "  Fix: " + systemwords::AccessFixBrief,
                              "<time>",
                              "  Can't write to device",
                              "Undefined error",
                              "Can't read from device",
                          }));
    EXPECT_EQ(board.ElapsedMs(), 0u);
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusPreset);
    EXPECT_FALSE(link.DeviceFound());
}

TEST_F(ExchangeTest, OpenFailureIsSaidAgainOnlyWhenSomethingChanged)
{
    auto permissionLines = [this] {
        std::size_t count = 0;
        for (const std::string& line : window.log)
            count += line.starts_with("Cannot open board device ") ? 1 : 0;
        window.log.clear();
        return count;
    };
    board.RefuseAccess(true);
    link.ExchangeReports();
    EXPECT_EQ(permissionLines(), 1u);
    link.ExchangeReports();
    EXPECT_EQ(permissionLines(), 0u) << "the same node, the same reason";

    board.Unplug();
    board.Plug("/dev/hidraw-sim1");
    link.ExchangeReports();
    EXPECT_EQ(permissionLines(), 1u) << "another node";

    board.RefuseAccess(false);
    link.ExchangeReports();
    EXPECT_EQ(permissionLines(), 0u);
    board.RefuseAccess(true);
    board.FailNextWrite();
    link.ExchangeReports();  // the write fails, and the search of the read step may not open
    EXPECT_EQ(permissionLines(), 1u) << "the board opened in between";
}

}  // namespace
