#include "app/BoardNotification.h"

#include <gtest/gtest.h>

#include "link/HidrawSysfs.h"
#include "link/UdevWatcher.h"
#include "support/RecordingWindow.h"
#include "support/UdevEventFixture.h"

using namespace usbio;

namespace {

class BoardNotificationTest : public SimLinkTest {};

TEST_F(BoardNotificationTest, TheBoardIsKnownByItsIdentityWhereBothSidesHaveOne)
{
    const std::string boardId = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299";
    const std::string mouseId = "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/0003:046D:C077";
    const struct {
        const char* what;
        std::string boardIdentity;
        DeviceNotification notification;
        int expected;
    } rows[] = {
        {"the board on its node", boardId, {DeviceTypeInterface, "/dev/hidraw3", boardId}, 1},
        {"the board back on another node", boardId, {DeviceTypeInterface, "/dev/hidraw5", boardId}, 1},
        {"a mouse on the board's node", boardId, {DeviceTypeInterface, "/dev/hidraw3", mouseId}, 0},
        {"another device type", boardId, {2, "/dev/hidraw3", boardId}, 0},
        {"a source without identities: the path, case aside", boardId, {DeviceTypeInterface, "/DEV/HIDRAW3", ""}, 1},
        {"a source without identities, another path", boardId, {DeviceTypeInterface, "/dev/hidraw5", ""}, 0},
        {"a board found without identity: the path", "", {DeviceTypeInterface, "/dev/hidraw3", mouseId}, 1},
    };
    BoardDevicePath = "/dev/hidraw3";
    for (const auto& row : rows) {
        BoardDeviceIdentity = row.boardIdentity;
        EXPECT_EQ(IsBoardNotification(row.notification), row.expected) << row.what;
    }
}

// Recorded events: the board's node is given to a mouse after an unplug; the mouse's arrival
// and removal are not the board's, and the board back on its old node is the board again.
TEST_F(BoardNotificationTest, AMouseOnTheBoardsOldNodeIsNotTakenForTheBoard)
{
    const std::vector<RecordedUdevEvent> events = ReadUdevEventFixture(TARVIK_FIXTURE_DIR "/udev-hidraw-events.txt");
    ASSERT_EQ(events.size(), 5u);
    auto deliver = [this](const RecordedUdevEvent& e) {
        const std::optional<DeviceEvent> event = TranslateUdevEvent(e.action, e.devnode.c_str(), "hidraw", e.Devpath());
        ASSERT_TRUE(event) << e.syspath;
        HandleDeviceChange(window, event->event, event->notification);
    };

    board.Plug(events[0].devnode, HidrawDeviceIdentity(events[0].Devpath()));
    ASSERT_TRUE(JtagChainUsable(window));
    EXPECT_EQ(BoardDeviceIdentity, "/devices/virtual/misc/uhid/0003:0925:1299");

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

}  // namespace
