#pragma once

#include <cstdint>
#include <memory>

#include "link/DeviceWatcher.h"

namespace devicewatch {

using boardlink::DeviceNotification;
using boardlink::DeviceWatcher;

// One notification as a device-change handler receives it.
struct DeviceEvent {
    uint32_t event = 0;
    DeviceNotification notification;
};

// The system's own device notifications for the main window: a udev monitor of hidraw nodes
// on Linux, RegisterDeviceNotification for the HID interface class on Windows.
std::unique_ptr<DeviceWatcher> NewSystemWatcher();

}  // namespace devicewatch
