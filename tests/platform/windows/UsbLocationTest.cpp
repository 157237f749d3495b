#include <gtest/gtest.h>

#include "platform/windows/UsbLocation.h"

namespace {

using platform::windows::NumberBuses;
using platform::windows::ParseLocationPath;
using platform::windows::UsbLocation;

TEST(UsbLocation, ParsesThePortChainOfALocationPath)
{
    const struct {
        const char* path;
        std::optional<UsbLocation> location;
    } cases[] = {
        {"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)", UsbLocation{"PCIROOT(0)#PCI(1400)#USBROOT(0)", {2}}},
        // Behind a hub, and a function of a composite device.
        {"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)#USBMI(0)", UsbLocation{"PCIROOT(0)#PCI(1400)#USBROOT(0)", {2, 3}}},
        {"ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)#ACPI(RHUB)#USBROOT(1)#USB(12)", UsbLocation{"ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)#ACPI(RHUB)#USBROOT(1)", {12}}},
        // No USB port: a root hub itself, a device elsewhere, broken numbers.
        {"PCIROOT(0)#PCI(1400)#USBROOT(0)", std::nullopt},
        {"PCIROOT(0)#PCI(1F02)", std::nullopt},
        {"USB(2)#USB(3)", std::nullopt},
        {"PCIROOT(0)#USBROOT(0)#USB(x)", std::nullopt},
        {"PCIROOT(0)#USBROOT(0)#USB(-1)", std::nullopt},
        {"PCIROOT(0)#USBROOT(0)#USB(2", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseLocationPath(c.path), c.location) << c.path;
}

TEST(UsbLocation, NumbersControllersInTheOrderOfTheirPaths)
{
    const std::string first = "PCIROOT(0)#PCI(0D00)#USBROOT(0)";
    const std::string second = "PCIROOT(0)#PCI(1400)#USBROOT(0)";
    const std::vector<std::optional<UsbLocation>> locations = {
        UsbLocation{second, {4}},
        std::nullopt,
        UsbLocation{first, {2, 1}},
        UsbLocation{second, {1, 3}},
    };
    const std::vector<boardlink::UsbPort> expected = {{2, 4}, {}, {1, 2, 1}, {2, 1, 3}};
    EXPECT_EQ(NumberBuses(locations), expected);
}

}  // namespace
