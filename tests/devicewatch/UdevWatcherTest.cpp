#include "devicewatch/UdevWatcher.h"

#include <gtest/gtest.h>

#include "support/UdevEventFixture.h"

using namespace boardlink;
using namespace devicewatch;

namespace {

constexpr const char* BoardDevpath = "/devices/virtual/misc/uhid/0003:0925:1299.0001/hidraw/hidraw3";

}  // namespace

TEST(UdevWatcher, HidrawAddAndRemoveBecomeArrivalAndRemoval)
{
    const struct {
        const char* action;
        const char* deviceNode;
        const char* subsystem;
        std::optional<uint32_t> event;
    } rows[] = {
        {"add", "/dev/hidraw3", "hidraw", DeviceArrival},
        {"remove", "/dev/hidraw3", "hidraw", DeviceRemoveComplete},
        {"change", "/dev/hidraw3", "hidraw", std::nullopt},
        {"bind", "/dev/hidraw3", "hidraw", std::nullopt},
        {"add", "/dev/input/event4", "input", std::nullopt},
        {"add", nullptr, "hidraw", std::nullopt},
        {"remove", "", "hidraw", std::nullopt},
        {"", "/dev/hidraw3", "hidraw", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.action) + " " + (row.deviceNode ? row.deviceNode : "(none)") + " " + row.subsystem);
        const std::optional<DeviceEvent> translated =
            TranslateUdevEvent(row.action, row.deviceNode, row.subsystem, BoardDevpath);
        ASSERT_EQ(translated.has_value(), row.event.has_value());
        if (!translated)
            continue;
        EXPECT_EQ(translated->event, *row.event);
        EXPECT_EQ(translated->notification.deviceType, DeviceTypeInterface);
        // The same text hidapi's hidraw enumeration gives as the node's path.
        EXPECT_EQ(translated->notification.devicePath, row.deviceNode);
        EXPECT_EQ(translated->notification.deviceIdentity, "/devices/virtual/misc/uhid/0003:0925:1299");
    }
}

// Recorded: the board's add and remove. Then a mouse takes the board's node, goes, and the
// board comes back on it. The node is the same in all five; only the identity tells them apart.
TEST(UdevWatcher, IdentityTellsTheBoardFromAMouseOnItsOldNode)
{
    const std::vector<RecordedUdevEvent> events = ReadUdevEventFixture(TARVIK_FIXTURE_DIR "/udev-hidraw-events.txt");
    ASSERT_EQ(events.size(), 5u);
    std::vector<DeviceEvent> translated;
    for (const RecordedUdevEvent& e : events) {
        const std::optional<DeviceEvent> event = TranslateUdevEvent(e.action, e.devnode.c_str(), "hidraw", e.Devpath());
        ASSERT_TRUE(event) << e.action << " " << e.syspath;
        EXPECT_EQ(event->notification.devicePath, "/dev/hidraw0");
        translated.push_back(*event);
    }
    const std::string board = "/devices/virtual/misc/uhid/0003:0925:1299";
    const std::string mouse = "/devices/virtual/misc/uhid/0003:046D:C077";
    const std::vector<std::pair<uint32_t, std::string>> expected = {
        {DeviceArrival, board}, {DeviceRemoveComplete, board}, {DeviceArrival, mouse},
        {DeviceRemoveComplete, mouse}, {DeviceArrival, board},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(translated[i].event, expected[i].first) << "event " << i;
        EXPECT_EQ(translated[i].notification.deviceIdentity, expected[i].second) << "event " << i;
    }
}

TEST(UdevWatcher, MonitorRegistersAndReregisters)
{
    UdevWatcher watcher;
    int calls = 0;
    if (!watcher.Register([&](uint32_t, const DeviceNotification&) { ++calls; }))
        GTEST_SKIP() << "this machine gives no udev monitor: " << watcher.LastError();
    EXPECT_TRUE(watcher.LastError().empty());
    // A second registration replaces the first on the same monitor.
    EXPECT_TRUE(watcher.Register([&](uint32_t, const DeviceNotification&) { calls += 10; }));
    watcher.Unregister();
    // After Unregister a new registration starts a fresh monitor.
    EXPECT_TRUE(watcher.Register([](uint32_t, const DeviceNotification&) {}));
    EXPECT_EQ(calls, 0);
}
