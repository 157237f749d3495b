#include <gtest/gtest.h>

#include "support/RecordingWindow.h"

using namespace usbio;

namespace {

class ExchangeTest : public SimLinkTest {};

TEST_F(ExchangeTest, NoBoardIsSilentAndLeavesTheReplyUntouched)
{
    board.Unplug();
    ReplyReport.fill(0x5A);
    ReplyReport[StatusByte] = StatusPreset;
    const ReportBuffer before = ReplyReport;
    SetCommand(JtagCheck, 1, 0);
    ExchangeReports(window);
    EXPECT_EQ(ReplyReport, before);
    EXPECT_TRUE(window.log.empty());
    EXPECT_EQ(DeviceFound, 0);
}

TEST_F(ExchangeTest, SendsTheOutputReportLengthWithReportIdZero)
{
    CommandReport[0] = 0x77;
    SetCommand(JtagCheck, 1, 0);
    ReplyReport[StatusByte] = StatusPreset;
    ExchangeReports(window);
    ASSERT_EQ(board.Received().size(), 1u);
    const auto& sent = board.Received()[0];
    EXPECT_EQ(sent.size(), sim::SimBackend::ReportByteLength);
    EXPECT_EQ(sent[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1, sent.begin() + 5), (std::vector<uint8_t>{JtagCheck, 1, 0, 0}));
    EXPECT_EQ(ReplyReport[StatusByte], StatusSuccess);
    EXPECT_EQ(DeviceFound, 1);
    EXPECT_EQ(BoardDevicePath, sim::SimBackend::DefaultBoardPath);
    EXPECT_EQ(window.registrations, 1);
}

TEST_F(ExchangeTest, JtagCheckAfterWriteMemoryCarriesTheLeftoverData)
{
    SetCommand(WriteMemory, 56, PageBufferAddress);
    for (int i = 0; i < 56; ++i)
        CommandReport[DataByte + i] = static_cast<uint8_t>(i + 1);
    ExchangeReports(window);
    SetCommand(JtagCheck, 1, 0);
    ExchangeReports(window);
    const auto& check = board.Received().at(1);
    EXPECT_EQ(check[1], JtagCheck);
    for (int i = 0; i < 56; ++i)
        EXPECT_EQ(check[DataByte + i], i + 1) << "data byte " << i;
}

TEST_F(ExchangeTest, TimeoutLogsClosesAndTheNextExchangeSearchesAgain)
{
    ExchangeReports(window);  // opens the board
    ReplyReport.fill(0x33);
    ReplyReport[StatusByte] = StatusPreset;
    board.DropNextReply();
    SetCommand(JtagCheck, 1, 0);
    ExchangeReports(window);
    EXPECT_EQ(window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));
    EXPECT_EQ(DeviceFound, 0);
    ReportBuffer expected;
    expected.fill(0x33);
    expected[0] = 0;
    expected[StatusByte] = StatusPreset;
    EXPECT_EQ(ReplyReport, expected);
    EXPECT_EQ(board.OpenHandleCount(), 0u);
    EXPECT_EQ(board.ElapsedMs(), 6000u) << "the read waits 6000 ms, no more";

    ExchangeReports(window);
    EXPECT_EQ(DeviceFound, 1);
    EXPECT_EQ(window.registrations, 2);
    EXPECT_EQ(ReplyReport[StatusByte], StatusSuccess);
}

// A reply that arrives after its read gave up waits in the device's queue; it is discarded
// before the next command, so that command gets its own reply, not the stale one.
TEST_F(ExchangeTest, LateReplyIsNeverTakenForTheNextCommandsReply)
{
    board.Board().Flash()[0x40] = 0x99;
    board.InjectFault(sim::LinkFault::LateReply);
    SetCommand(ProgramMode, 8, 1);
    ReplyReport[StatusByte] = StatusPreset;
    ExchangeReports(window);
    EXPECT_EQ(ReplyReport[StatusByte], StatusPreset);
    EXPECT_EQ(window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));

    SetCommand(ReadMemory, 16, 0x40);
    ReplyReport[StatusByte] = StatusPreset;
    ExchangeReports(window);
    EXPECT_EQ(ReplyReport[StatusByte], StatusRead);
    EXPECT_EQ(ReplyReport[2], ReadMemory) << "the reply is the read's, not the late one of ProgramMode";
    EXPECT_EQ(ReplyReport[DataByte], 0x99);
    EXPECT_EQ(board.Received().size(), 2u);
}

TEST_F(ExchangeTest, WriteFailureLogsTimeLineAndTheReadStepReopens)
{
    ExchangeReports(window);
    board.FailNextWrite();
    board.ClearRecord();
    SetCommand(JtagCheck, 1, 0);
    ReplyReport[StatusByte] = StatusPreset;
    ExchangeReports(window);
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
    ExchangeReports(window);
    EXPECT_EQ(BoardDevicePath, sim::SimBackend::DefaultBoardPath);
    EXPECT_EQ(board.OpenHandleCount(), 3u);  // query, write and read handles of the board only
    EXPECT_EQ(board.OpenedPaths(), (std::vector<std::string>{"/dev/hidraw-other", sim::SimBackend::DefaultBoardPath,
                                                             sim::SimBackend::DefaultBoardPath,
                                                             sim::SimBackend::DefaultBoardPath}))
        << "the interface after the board is never examined";
}

TEST_F(ExchangeTest, MouseUsageGivesTheSystemDeviceNoticeAndIsStillUsed)
{
    board.SetBoardCaps({0x0001, 0x0002, 65, 65});
    SetCommand(JtagCheck, 1, 0);
    ReplyReport[StatusByte] = StatusPreset;
    ExchangeReports(window);
    EXPECT_EQ(window.log, (std::vector<std::string>{"", "*************************", "The device is a system mouse.",
                                                    "Windows 2000 and Windows XP don't allow applications",
                                                    "to directly request Input reports from or ",
                                                    "write Output reports to these devices.",
                                                    "*************************", ""}));
    EXPECT_EQ(ReplyReport[StatusByte], StatusSuccess);
}

TEST_F(ExchangeTest, ReportLengthsOutsideTheBuffersRefuseTheBoard)
{
    for (const uint16_t length : {uint16_t{60}, uint16_t{257}}) {
        ResetBoardLink();
        window.log.clear();
        board.SetBoardCaps({0xFF00, 1, length, 65});
        board.ClearRecord();
        ExchangeReports(window);
        EXPECT_EQ(DeviceFound, 0) << length;
        EXPECT_TRUE(board.Received().empty()) << length;
        ASSERT_EQ(window.log.size(), 1u) << length;
        EXPECT_NE(window.log[0].find("refused"), std::string::npos) << window.log[0];
        EXPECT_NE(window.log[0].find(sim::SimBackend::DefaultBoardPath), std::string::npos);
    }
}

TEST_F(ExchangeTest, UnopenableBoardNamesTheNodeAndFailsWithoutWaiting)
{
    board.RefuseAccess(true);
    SetCommand(JtagCheck, 1, 0);
    ReplyReport[StatusByte] = StatusPreset;
    ExchangeReports(window);
    // The node and the reason, then the fix, said once although the write step and the read
    // step each searched.
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "Cannot open board device /dev/hidraw-sim0: Permission denied",
                              "  Fix: install 69-tarvik-morvane.rules (sudo cmake --install <build dir>), replug the board",
                              "<time>",
                              "  Can't write to device",
                              "Undefined error",
                              "Can't read from device",
                          }));
    EXPECT_EQ(board.ElapsedMs(), 0u);
    EXPECT_EQ(ReplyReport[StatusByte], StatusPreset);
    EXPECT_EQ(DeviceFound, 0);
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
    ExchangeReports(window);
    EXPECT_EQ(permissionLines(), 1u);
    ExchangeReports(window);
    EXPECT_EQ(permissionLines(), 0u) << "the same node, the same reason";

    board.Unplug();
    board.Plug("/dev/hidraw-sim1");
    ExchangeReports(window);
    EXPECT_EQ(permissionLines(), 1u) << "another node";

    board.RefuseAccess(false);
    ExchangeReports(window);
    EXPECT_EQ(permissionLines(), 0u);
    board.RefuseAccess(true);
    board.FailNextWrite();
    ExchangeReports(window);  // the write fails, and the search of the read step may not open
    EXPECT_EQ(permissionLines(), 1u) << "the board opened in between";
}

}  // namespace
