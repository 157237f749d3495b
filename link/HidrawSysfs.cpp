#include "link/HidrawSysfs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

namespace boardlink {
namespace {

// The kernel's limit for a HID report descriptor (HID_MAX_DESCRIPTOR_SIZE).
constexpr std::size_t MaxDescriptorBytes = 4096;

bool IsHidrawNodeName(const std::string& name)
{
    constexpr std::string_view prefix = "hidraw";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string ReportDescriptorPath(const std::string& sysfsRoot, const std::string& devicePath)
{
    const std::size_t slash = devicePath.find_last_of('/');
    const std::string node = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
    if (!IsHidrawNodeName(node))
        return {};
    return sysfsRoot + "/class/hidraw/" + node + "/device/report_descriptor";
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

}  // namespace boardlink
