#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/HidBackend.h"

// Where the setup API says a device is plugged in, turned into the board link's UsbPort.
namespace platform::windows {

// A device's place below a USB host controller: the controller (its location path up to the
// root hub) and the port numbers from the root hub down the chain of hubs.
struct UsbLocation {
    std::string controller;
    std::vector<int> ports;

    bool operator==(const UsbLocation&) const = default;
};

// The USB place in a location path as the setup API gives it
// ("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)#USBMI(0)": controller
// "PCIROOT(0)#PCI(1400)#USBROOT(0)", ports 2, 3). nullopt when the path names no USB port.
std::optional<UsbLocation> ParseLocationPath(std::string_view path);

// Each device's UsbPort: a bus number for its controller, then its ports. The controllers
// present are numbered from 1 in the order of their location paths, so that the numbers stay
// the same from one listing to the next while the controllers do. An empty port for a device
// without a location.
std::vector<boardlink::UsbPort> NumberBuses(const std::vector<std::optional<UsbLocation>>& locations);

}  // namespace platform::windows
