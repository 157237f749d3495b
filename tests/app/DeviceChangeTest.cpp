#include "app/DeviceChange.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>

#include "app/MainDlg.h"
#include "link/BoardNotification.h"
#include "platform/linux/HidrawSysfs.h"
#include "link/Reports.h"
#include "res/resource.h"
#include "devicewatch/UdevWatcher.h"
#include "sim/SimBackend.h"
#include "support/RecordingHost.h"
#include "support/UdevEventFixture.h"

using namespace boardlink;
using namespace board;
using namespace devicewatch;
using namespace platform;

namespace {

// Recorded events: the board's node is given to a mouse after an unplug; the mouse's arrival
// and removal are not the board's, and the board back on its old node is the board again.
TEST(DeviceChange, AMouseOnTheBoardsOldNodeIsNotTakenForTheBoard)
{
    sim::SimBackend board;
    RecordingHost window(board);
    const std::vector<RecordedUdevEvent> events = ReadUdevEventFixture(TARVIK_FIXTURE_DIR "/udev-hidraw-events.txt");
    ASSERT_EQ(events.size(), 5u);
    auto deliver = [&window](const RecordedUdevEvent& e) {
        const std::optional<DeviceEvent> event = TranslateUdevEvent(e.action, e.devnode.c_str(), "hidraw", e.Devpath());
        ASSERT_TRUE(event) << e.syspath;
        HandleDeviceChange(window, event->event, event->notification);
    };

    board.Plug(events[0].devnode, HidrawDeviceIdentity(events[0].Devpath()));
    ASSERT_TRUE(window.BoardObject().CheckChain().Ok());
    // The board's identity is recorded with it: a notification with it is the board's on any node.
    EXPECT_TRUE(window.BoardObject().IsBoardNotification(
        {DeviceTypeInterface, "/dev/hidraw9", "/devices/virtual/misc/uhid/0003:0925:1299"}));

    board.Unplug();
    deliver(events[1]);
    ASSERT_FALSE(window.log.empty());
    EXPECT_TRUE(window.log.back().ends_with(" Morvane FPGA board detached")) << window.log.back();
    EXPECT_EQ(window.m_strSerial, UnknownText);

    const std::size_t linesBefore = window.log.size();
    board.ClearRecord();
    deliver(events[2]);
    deliver(events[3]);
    EXPECT_EQ(window.log.size(), linesBefore) << "neither attached nor detached";
    EXPECT_TRUE(board.Received().empty()) << "nothing read for the mouse";
    EXPECT_EQ(window.m_strSerial, UnknownText);

    board.Plug(events[4].devnode, HidrawDeviceIdentity(events[4].Devpath()));
    deliver(events[4]);
    ASSERT_GT(window.log.size(), linesBefore);
    EXPECT_TRUE(window.log[linesBefore].ends_with(" Morvane FPGA board attached")) << window.log[linesBefore];
    EXPECT_EQ(window.m_strSerial, "TRK_00042");
}

// A board that has stopped answering costs the window's opening and an attach two read time
// limits each, not one per exchange, and the chain check says the board did not answer.
TEST(DeviceChange, SilentBoardCostsTheOpeningAndAnAttachTwoWaits)
{
    const std::string notAnswered = "JTAG boundary scan chain not checked: the board did not answer";
    {
        sim::SimBackend board;
        board.StopAnsweringAfter(0);
        CMainDlg window(board, nullptr);
        window.InitDialog();
        EXPECT_LE(board.ElapsedMs(), 2u * static_cast<uint64_t>(ReadTimeoutMs)) << "opening";
        EXPECT_EQ(window.ActivityLog->item(window.ActivityLog->count() - 1)->text().toStdString(), notAnswered);
        EXPECT_EQ(window.Item<QLineEdit>(IDC_SERIAL)->text().toStdString(), UnknownText)
            << "no stale reply bytes shown as the serial number";
    }
    {
        sim::SimBackend board;
        RecordingHost window(board);
        ASSERT_TRUE(window.BoardObject().CheckChain().Ok());
        board.StopAnsweringAfter(0);
        const uint64_t before = board.ElapsedMs();
        HandleDeviceChange(window, DeviceArrival, {DeviceTypeInterface, sim::SimBackend::DefaultBoardPath});
        EXPECT_LE(board.ElapsedMs() - before, 2u * static_cast<uint64_t>(ReadTimeoutMs)) << "attach";
        EXPECT_EQ(window.log.back(), notAnswered);
        EXPECT_EQ(window.m_strSerial, UnknownText);
        EXPECT_EQ(window.m_strCycles, UnknownText);
    }
}

}  // namespace
