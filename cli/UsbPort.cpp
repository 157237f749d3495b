#include "cli/UsbPort.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace cli {
namespace {

// "1-2.3" -> {1, 2, 3}; empty for anything else (an interface "1-2.3:1.0", a hub "usb1").
UsbPort ParsePortComponent(std::string_view component)
{
    UsbPort port;
    const char* at = component.data();
    const char* end = component.data() + component.size();
    char separator = '-';
    while (at < end) {
        int number = 0;
        const auto [next, error] = std::from_chars(at, end, number);
        if (error != std::errc() || number < 0)
            return {};
        port.push_back(number);
        if (next == end)
            break;
        if (*next != separator)
            return {};
        separator = '.';
        at = next + 1;
        if (at == end)
            return {};
    }
    return port.size() >= 2 ? port : UsbPort{};
}

}  // namespace

UsbPort UsbPortInDevicePath(std::string_view devicePath)
{
    UsbPort last;
    std::size_t start = 0;
    while (start <= devicePath.size()) {
        const std::size_t slash = std::min(devicePath.find('/', start), devicePath.size());
        UsbPort port = ParsePortComponent(devicePath.substr(start, slash - start));
        if (!port.empty())
            last = std::move(port);
        start = slash + 1;
    }
    return last;
}

UsbPort UsbPortOfNode(const std::string& sysfsRoot, const std::string& node)
{
    const std::string name = std::filesystem::path(node).filename().string();
    if (name.rfind("hidraw", 0) != 0)
        return {};
    std::error_code error;
    const auto device = std::filesystem::canonical(std::filesystem::path(sysfsRoot) / "class/hidraw" / name / "device", error);
    return error ? UsbPort{} : UsbPortInDevicePath(device.string());
}

}  // namespace cli
