#include "platform/linux/HidapiBackend.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/linux/HidrawSysfs.h"

namespace platform {

using boardlink::InvalidHidHandle;

namespace {

// hidapi keeps one library-wide state: its initialisation and the last error of calls made
// without a device (enumeration, opening). Links in other threads each have their own
// backend, so those calls go one at a time, and the library is set up while any backend is.
std::mutex LibraryMutex;
int LibraryUsers = 0;
// Larger than any report the board link exchanges (256 bytes and a report-id byte).
constexpr std::size_t MaxDrainReportBytes = 257;

std::string Narrow(const wchar_t* text)
{
    if (text == nullptr)
        return "unknown error";
    std::string out;
    for (; *text != L'\0'; ++text)
        out += (*text < 0x80) ? static_cast<char>(*text) : '?';
    return out;
}

}  // namespace

std::string OpenFailureReason(const std::string& path, const std::string& hidapiText)
{
    // hidapi's own text repeats the path; the log line needs the system's reason.
    if (::access(path.c_str(), R_OK | W_OK) != 0)
        return std::strerror(errno);
    return hidapiText;
}

HidapiBackend::HidapiBackend(std::string sysfsRoot) : m_sysfsRoot(std::move(sysfsRoot))
{
    const std::lock_guard<std::mutex> lock(LibraryMutex);
    ++LibraryUsers;
    if (hid_init() != 0)
        m_lastError = "hidapi: " + Narrow(hid_error(nullptr));
}

HidapiBackend::~HidapiBackend()
{
    for (auto& [handle, open] : m_devices)
        if (open.device != nullptr)
            hid_close(open.device);
    const std::lock_guard<std::mutex> lock(LibraryMutex);
    if (--LibraryUsers == 0)
        hid_exit();
}

std::vector<HidInterfaceInfo> HidapiBackend::EnumerateInterfaces()
{
    std::vector<HidInterfaceInfo> listed;
    {
        const std::lock_guard<std::mutex> lock(LibraryMutex);
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* d = list; d != nullptr; d = d->next)
            listed.push_back({d->path, d->vendor_id, d->product_id, ReadHidrawIdentity(m_sysfsRoot, d->path),
                              UsbPortOfNode(m_sysfsRoot, d->path)});
        hid_free_enumeration(list);
    }
    m_lastEnumeration = UniqueInterfaces(listed);
    return m_lastEnumeration;
}

HidHandle HidapiBackend::Open(const std::string& path, HidAccess access)
{
    auto known = std::find_if(m_lastEnumeration.begin(), m_lastEnumeration.end(),
                              [&](const HidInterfaceInfo& i) { return i.path == path; });
    if (known == m_lastEnumeration.end()) {
        m_lastError = path + " is not among the HID devices present";
        return InvalidHidHandle;
    }
    OpenDevice open{*known, nullptr, false};
    if (access != HidAccess::Query) {
        std::string hidapiText;
        {
            const std::lock_guard<std::mutex> lock(LibraryMutex);
            open.device = hid_open_path(path.c_str());
            if (open.device == nullptr)
                hidapiText = Narrow(hid_error(nullptr));
        }
        if (open.device == nullptr) {
            m_lastError = OpenFailureReason(path, hidapiText);
            return InvalidHidHandle;
        }
        // A descriptor that cannot be read leaves report id 0, the board's own.
        ReportLengths lengths;
        std::string ignored;
        if (ReadHidrawCaps(m_sysfsRoot, path, lengths, ignored))
            open.usesReportIds = lengths.usesReportIds;
    }
    const HidHandle handle = m_nextHandle++;
    m_devices.emplace(handle, open);
    return handle;
}

HidapiBackend::OpenDevice* HidapiBackend::Find(HidHandle handle, const char* operation)
{
    auto it = m_devices.find(handle);
    if (it == m_devices.end()) {
        m_lastError = std::string(operation) + ": no open device has handle " + std::to_string(handle);
        return nullptr;
    }
    return &it->second;
}

bool HidapiBackend::GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    OpenDevice* open = Find(handle, "attributes");
    if (open == nullptr)
        return false;
    vendorId = open->info.vendorId;
    productId = open->info.productId;
    return true;
}

bool HidapiBackend::GetCaps(HidHandle handle, HidCaps& caps)
{
    OpenDevice* open = Find(handle, "capabilities");
    if (open == nullptr)
        return false;
    ReportLengths lengths;
    if (!ReadHidrawCaps(m_sysfsRoot, open->info.path, lengths, m_lastError))
        return false;
    caps = HidCaps{lengths.usagePage, lengths.usage, lengths.input, lengths.output};
    return true;
}

bool HidapiBackend::Write(HidHandle handle, const uint8_t* report, std::size_t length)
{
    OpenDevice* open = Find(handle, "write");
    if (open == nullptr)
        return false;
    if (open->device == nullptr) {
        m_lastError = "write: " + open->info.path + " is open for queries only";
        return false;
    }
    // The report goes out whole, report-id byte first; hidraw drops an id of 0 on the wire.
    if (hid_write(open->device, report, length) < 0) {
        m_lastError = "write to " + open->info.path + ": " + Narrow(hid_error(open->device));
        return false;
    }
    return true;
}

HidReadResult HidapiBackend::Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    OpenDevice* open = Find(handle, "read");
    if (open == nullptr)
        return HidReadResult::Failed;
    if (open->device == nullptr || length == 0) {
        m_lastError = "read: " + open->info.path + (length == 0 ? " has no input report" : " is open for queries only");
        return HidReadResult::Failed;
    }
    // hidraw delivers a report of id 0 without its id byte: keep byte 0 as the id the
    // caller set and receive the payload behind it.
    uint8_t* payload = open->usesReportIds ? buffer : buffer + 1;
    const std::size_t capacity = open->usesReportIds ? length : length - 1;
    const int count = hid_read_timeout(open->device, payload, capacity, timeoutMs);
    if (count < 0) {
        m_lastError = "read from " + open->info.path + ": " + Narrow(hid_error(open->device));
        return HidReadResult::Failed;
    }
    if (count == 0) {
        m_timedOutPaths.insert(open->info.path);
        return HidReadResult::TimedOut;
    }
    // A report shorter than declared leaves zeros behind it, never bytes of an earlier reply.
    std::fill(payload + count, payload + capacity, uint8_t{0});
    return HidReadResult::Arrived;
}

// hid_read_timeout returns before the read step goes on, so no read is ever left pending.
void HidapiBackend::Cancel(HidHandle) {}

void HidapiBackend::Drain(HidHandle handle)
{
    auto it = m_devices.find(handle);
    if (it == m_devices.end() || it->second.device == nullptr)
        return;
    // Reads without waiting until none is left; hidraw keeps at most 64 reports per open
    // node, so the bound only stops a device that sends as fast as it is read.
    constexpr int HidrawQueueLength = 64;
    // After a time-out on this node, a late reply held in the device's IN endpoint comes only
    // once the host polls it again, a few USB frames after the node was opened: the first
    // read gives it that long. The reply carries nothing that tells it from the next one.
    constexpr int EndpointSettleMs = 50;
    int firstWaitMs = m_timedOutPaths.erase(it->second.info.path) > 0 ? EndpointSettleMs : 0;
    uint8_t report[MaxDrainReportBytes];
    for (int i = 0; i < HidrawQueueLength; ++i, firstWaitMs = 0)
        if (hid_read_timeout(it->second.device, report, sizeof report, firstWaitMs) <= 0)
            return;
}

void HidapiBackend::Close(HidHandle handle)
{
    auto it = m_devices.find(handle);
    if (it == m_devices.end())
        return;
    if (it->second.device != nullptr)
        hid_close(it->second.device);
    m_devices.erase(it);
}

std::string HidapiBackend::LastError() const { return m_lastError; }

}  // namespace platform
