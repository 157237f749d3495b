#include "link/HidapiBackend.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cwchar>

namespace usbio {
namespace {

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

HidapiBackend::HidapiBackend() { hid_init(); }

HidapiBackend::~HidapiBackend()
{
    for (auto& [handle, open] : m_devices)
        if (open.device != nullptr)
            hid_close(open.device);
    hid_exit();
}

std::vector<HidInterfaceInfo> HidapiBackend::EnumerateInterfaces()
{
    m_lastEnumeration.clear();
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d != nullptr; d = d->next) {
        // hidraw lists one node once per top-level collection; examine each node once.
        const bool seen = std::any_of(m_lastEnumeration.begin(), m_lastEnumeration.end(),
                                      [&](const HidInterfaceInfo& i) { return i.path == d->path; });
        if (!seen)
            m_lastEnumeration.push_back({d->path, d->vendor_id, d->product_id});
    }
    hid_free_enumeration(list);
    return m_lastEnumeration;
}

HidHandle HidapiBackend::Open(const std::string& path, HidAccess access)
{
    OpenDevice open{path, access, nullptr, {}, {}};
    auto known = std::find_if(m_lastEnumeration.begin(), m_lastEnumeration.end(),
                              [&](const HidInterfaceInfo& i) { return i.path == path; });
    if (known == m_lastEnumeration.end()) {
        m_lastError = "no such HID device " + path;
        return InvalidHidHandle;
    }
    open.info = *known;
    if (access != HidAccess::Query) {
        open.device = hid_open_path(path.c_str());
        if (open.device == nullptr) {
            m_lastError = Narrow(hid_error(nullptr));
            return InvalidHidHandle;
        }
    }
    const HidHandle handle = m_nextHandle++;
    m_devices.emplace(handle, std::move(open));
    return handle;
}

HidapiBackend::OpenDevice* HidapiBackend::Find(HidHandle handle)
{
    auto it = m_devices.find(handle);
    return it == m_devices.end() ? nullptr : &it->second;
}

bool HidapiBackend::GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    OpenDevice* open = Find(handle);
    if (open == nullptr)
        return false;
    vendorId = open->info.vendorId;
    productId = open->info.productId;
    return true;
}

bool HidapiBackend::GetCaps(HidHandle handle, HidCaps& caps)
{
    OpenDevice* open = Find(handle);
    if (open == nullptr)
        return false;
    // 64-byte reports plus the report-id byte, as the board declares them.
    caps = HidCaps{0xFF00, 0x0001, 65, 65};
    return true;
}

bool HidapiBackend::Write(HidHandle handle, const uint8_t* report, std::size_t length)
{
    OpenDevice* open = Find(handle);
    if (open == nullptr || open->device == nullptr)
        return false;
    if (hid_write(open->device, report, length) < 0) {
        m_lastError = Narrow(hid_error(open->device));
        return false;
    }
    return true;
}

HidReadResult HidapiBackend::Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    OpenDevice* open = Find(handle);
    if (open == nullptr || open->device == nullptr || length == 0)
        return HidReadResult::Failed;
    // hidraw delivers the payload without the report-id byte for report id 0.
    const int count = hid_read_timeout(open->device, buffer + 1, length - 1, timeoutMs);
    if (count < 0) {
        m_lastError = Narrow(hid_error(open->device));
        return HidReadResult::Failed;
    }
    return count == 0 ? HidReadResult::TimedOut : HidReadResult::Arrived;
}

void HidapiBackend::Cancel(HidHandle) {}

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

}  // namespace usbio
