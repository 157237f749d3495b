#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/HidBackend.h"
#include "link/ReportDescriptor.h"

// What sysfs tells about a hidraw node without opening it: its report descriptor, and from
// that the capabilities the board link asks for; and which device the node belongs to.
namespace platform {

using boardlink::HidInterfaceInfo;
using boardlink::ParseReportDescriptor;
using boardlink::ReportDescriptorResult;
using boardlink::ReportLengths;
using boardlink::UsbPort;

// <sysfsRoot>/class/hidraw/hidrawN/device/report_descriptor for the device node
// /dev/hidrawN (any directory before the node name). Empty when devicePath does not end
// in a hidraw node name, so that no other file is ever read in its place.
std::string ReportDescriptorPath(const std::string& sysfsRoot, const std::string& devicePath);

// Reads the whole descriptor file. On failure returns false and sets error to the file's
// path and the system's reason.
bool ReadReportDescriptor(const std::string& file, std::vector<uint8_t>& bytes, std::string& error);

// The capabilities of the node at devicePath, from its descriptor under sysfsRoot.
// On failure returns false and sets error naming the file or the fault in the descriptor.
bool ReadHidrawCaps(const std::string& sysfsRoot, const std::string& devicePath, ReportLengths& lengths,
                    std::string& error);

// What identifies the device behind a hidraw node, from the node's sysfs device path
// (/devices/.../1-2:1.0/0003:0925:1299.0005/hidraw/hidraw3): the path of its HID device
// without the instance number (/devices/.../1-2:1.0/0003:0925:1299). It names the bus, the
// vendor and product id and the USB interface and port the device hangs off. The kernel
// counts the instance up for every HID device it creates and gives the next one the lowest
// free hidrawN, so the node name is no identity: the board plugged into the same port again
// keeps this identity on whatever node, and another device later given the board's old node
// has another one. Empty when devicePath does not have that form.
std::string HidrawDeviceIdentity(std::string_view sysfsDevicePath);

// The identity of the node at devicePath (/dev/hidrawN), read from where
// <sysfsRoot>/class/hidraw/hidrawN leads. Empty when devicePath is not a hidraw node or sysfs
// does not know it.
std::string ReadHidrawIdentity(const std::string& sysfsRoot, const std::string& devicePath);

// The platform lists a node once per top-level collection; the board search examines each
// node once, at its first place in the list.
std::vector<HidInterfaceInfo> UniqueInterfaces(const std::vector<HidInterfaceInfo>& listed);

// The USB port in a sysfs device path: its last component of the form BUS-PORT[.PORT...].
// Empty when there is none.
UsbPort UsbPortInDevicePath(std::string_view devicePath);

// The port of the device that the hidraw node /dev/hidrawN hangs off, read from
// <sysfsRoot>/class/hidraw/hidrawN/device. Empty when sysfs does not say.
UsbPort UsbPortOfNode(const std::string& sysfsRoot, const std::string& node);

}  // namespace platform
