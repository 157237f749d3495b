#include "platform/linux/HidrawSysfs.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace platform {
namespace {

// The kernel's limit for a HID report descriptor (HID_MAX_DESCRIPTOR_SIZE).
constexpr std::size_t MaxDescriptorBytes = 4096;

bool IsHidrawNodeName(std::string_view name)
{
    constexpr std::string_view prefix = "hidraw";
    if (name.size() <= prefix.size() || !name.starts_with(prefix))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// The node name (hidrawN) at the end of a device path; empty when it is not a hidraw node.
std::string_view HidrawNodeName(std::string_view devicePath)
{
    const std::size_t slash = devicePath.find_last_of('/');
    const std::string_view node = slash == std::string_view::npos ? devicePath : devicePath.substr(slash + 1);
    return IsHidrawNodeName(node) ? node : std::string_view();
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// BUS:VENDOR:PRODUCT as the kernel names a HID device, four hex digits each.
bool IsHidBusVendorProduct(std::string_view text)
{
    if (text.size() != 14 || text[4] != ':' || text[9] != ':')
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 4 && i != 9 && !IsHexDigit(text[i]))
            return false;
    return true;
}

}  // namespace

std::string ReportDescriptorPath(const std::string& sysfsRoot, const std::string& devicePath)
{
    const std::string_view node = HidrawNodeName(devicePath);
    if (node.empty())
        return {};
    return sysfsRoot + "/class/hidraw/" + std::string(node) + "/device/report_descriptor";
}

std::string HidrawDeviceIdentity(std::string_view sysfsDevicePath)
{
    // <HID device>/hidraw/hidrawN, the HID device being <parent>/BUS:VENDOR:PRODUCT.INSTANCE.
    const std::size_t nodeSlash = sysfsDevicePath.find_last_of('/');
    if (nodeSlash == std::string_view::npos || !IsHidrawNodeName(sysfsDevicePath.substr(nodeSlash + 1)))
        return {};
    constexpr std::string_view classFolder = "/hidraw";
    std::string_view hidDevice = sysfsDevicePath.substr(0, nodeSlash);
    if (!hidDevice.ends_with(classFolder))
        return {};
    hidDevice.remove_suffix(classFolder.size());
    const std::size_t hidSlash = hidDevice.find_last_of('/');
    if (hidSlash == std::string_view::npos)
        return {};
    const std::string_view hidName = hidDevice.substr(hidSlash + 1);
    const std::size_t dot = hidName.find('.');
    if (dot == std::string_view::npos || !IsHidBusVendorProduct(hidName.substr(0, dot)))
        return {};
    const std::string_view instance = hidName.substr(dot + 1);
    if (instance.empty() || !std::all_of(instance.begin(), instance.end(), IsHexDigit))
        return {};
    return std::string(hidDevice.substr(0, hidSlash + 1 + dot));
}

std::string ReadHidrawIdentity(const std::string& sysfsRoot, const std::string& devicePath)
{
    const std::string_view node = HidrawNodeName(devicePath);
    if (node.empty())
        return {};
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root = fs::canonical(sysfsRoot, error);
    if (error)
        return {};
    // The class entry is a link to the node's place in the device tree.
    const fs::path device = fs::canonical(root / "class" / "hidraw" / node, error);
    if (error)
        return {};
    // Relative to the sysfs root with a leading slash, as udev gives a device's path.
    const fs::path relative = device.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..")
        return {};
    return HidrawDeviceIdentity("/" + relative.generic_string());
}

bool ReadReportDescriptor(const std::string& file, std::vector<uint8_t>& bytes, std::string& error)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file + ": " + std::strerror(errno);
        return false;
    }
    // One byte more than the limit tells a descriptor that is too long from one that fits.
    std::vector<char> raw(MaxDescriptorBytes + 1);
    in.read(raw.data(), static_cast<std::streamsize>(raw.size()));
    if (in.bad()) {
        error = "cannot read " + file + ": " + std::strerror(errno);
        return false;
    }
    const auto count = static_cast<std::size_t>(in.gcount());
    if (count > MaxDescriptorBytes) {
        error = file + " is longer than " + std::to_string(MaxDescriptorBytes) + " bytes";
        return false;
    }
    bytes.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(count));
    return true;
}

bool ReadHidrawCaps(const std::string& sysfsRoot, const std::string& devicePath, ReportLengths& lengths,
                    std::string& error)
{
    const std::string file = ReportDescriptorPath(sysfsRoot, devicePath);
    if (file.empty()) {
        error = devicePath + " is not a hidraw device node";
        return false;
    }
    std::vector<uint8_t> descriptor;
    if (!ReadReportDescriptor(file, descriptor, error))
        return false;
    const ReportDescriptorResult parsed = ParseReportDescriptor(descriptor);
    if (!parsed.ok) {
        error = file + ": " + parsed.error;
        return false;
    }
    lengths = parsed.lengths;
    return true;
}

std::vector<HidInterfaceInfo> UniqueInterfaces(const std::vector<HidInterfaceInfo>& listed)
{
    std::vector<HidInterfaceInfo> unique;
    for (const HidInterfaceInfo& info : listed) {
        const bool seen = std::any_of(unique.begin(), unique.end(),
                                      [&](const HidInterfaceInfo& u) { return u.path == info.path; });
        if (!seen)
            unique.push_back(info);
    }
    return unique;
}

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

}  // namespace platform
