#pragma once

#include <string>

#include "link/DeviceWatcher.h"

namespace boardlink {

// True when the notification concerns the board's device: a device interface whose path is
// boardDevicePath, letter case aside.
bool IsBoardNotification(const DeviceNotification& data, const std::string& boardDevicePath);

}  // namespace boardlink
