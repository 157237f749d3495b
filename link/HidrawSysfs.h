#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/HidBackend.h"
#include "link/ReportDescriptor.h"

// What sysfs tells about a hidraw node without opening it: its report descriptor, and from
// that the capabilities the board link asks for.
namespace boardlink {

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

// The platform lists a node once per top-level collection; the board search examines each
// node once, at its first place in the list.
std::vector<HidInterfaceInfo> UniqueInterfaces(const std::vector<HidInterfaceInfo>& listed);

}  // namespace boardlink
