#include "link/UdevWatcher.h"

#include <gtest/gtest.h>

using namespace boardlink;

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
        const std::optional<DeviceEvent> translated = TranslateUdevEvent(row.action, row.deviceNode, row.subsystem);
        ASSERT_EQ(translated.has_value(), row.event.has_value());
        if (!translated)
            continue;
        EXPECT_EQ(translated->event, *row.event);
        EXPECT_EQ(translated->notification.deviceType, DeviceTypeInterface);
        // The same text hidapi's hidraw enumeration gives as the node's path.
        EXPECT_EQ(translated->notification.devicePath, row.deviceNode);
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
