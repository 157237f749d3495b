#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where a board is plugged in, as a sort key: the USB bus, then the port numbers down the
// chain of hubs ("1-2.3" is bus 1, port 2, hub port 3). Boards sorted by it come in the
// order of their sockets, which is how a lab numbers its places.
namespace cli {

using UsbPort = std::vector<int>;

// The port in a sysfs device path: its last component of the form BUS-PORT[.PORT...].
// Empty when there is none.
UsbPort UsbPortInDevicePath(std::string_view devicePath);

// The port of the device that the hidraw node /dev/hidrawN hangs off, read from
// <sysfsRoot>/class/hidraw/hidrawN/device. Empty when sysfs does not say.
UsbPort UsbPortOfNode(const std::string& sysfsRoot, const std::string& node);

}  // namespace cli
