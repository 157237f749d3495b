#include "platform/windows/HidClassBackend.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

// MinGW-w64's HID headers do not declare their functions as C: without this the calls
// would look for C++ names that hid.dll does not have.
extern "C" {
#include <hidusage.h>
#include <hidpi.h>
#include <hidsdi.h>
}

#include <algorithm>
#include <optional>

#include "platform/windows/UsbLocation.h"
#include "platform/windows/WideText.h"

namespace platform::windows {

using boardlink::HidAccess;
using boardlink::HidCaps;
using boardlink::HidHandle;
using boardlink::HidInterfaceInfo;
using boardlink::HidReadResult;
using boardlink::InvalidHidHandle;

namespace {

// A write is overlapped and waited for like a read: a board that stops taking output
// reports would otherwise hold the program for good, and a stop asked meanwhile would
// never be seen. Six seconds, the read's own limit, is far beyond any write that arrives.
constexpr DWORD WriteTimeoutMs = 6000;
// How far up from a HID collection the USB device that carries it may be: the collection,
// the composite device's function, the USB device.
constexpr int MaxLocationDepth = 8;
constexpr DWORD ShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The location path of the device node or of the nearest of its parents that has one
// naming a USB port.
std::optional<UsbLocation> LocationOf(DEVINST node)
{
    for (int depth = 0; depth < MaxLocationDepth; ++depth) {
        ULONG type = 0;
        ULONG size = 0;
        if (CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_LOCATION_PATHS, &type, nullptr, &size, 0) ==
                CR_BUFFER_SMALL &&
            size > 0) {
            std::vector<wchar_t> paths(size / sizeof(wchar_t) + 2, L'\0');
            if (CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_LOCATION_PATHS, &type, paths.data(), &size, 0) ==
                CR_SUCCESS) {
                // Several paths, each ended by a zero, the list by another.
                for (const wchar_t* path = paths.data(); *path != L'\0'; path += wcslen(path) + 1)
                    if (std::optional<UsbLocation> location = ParseLocationPath(Utf8(path)))
                        return location;
            }
        }
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS)
            break;
        node = parent;
    }
    return std::nullopt;
}

// The vendor and product id of the interface at path, read through a handle that may only
// ask (access 0), which Windows grants also for the devices it keeps for itself.
bool AttributesOf(const wchar_t* path, uint16_t& vendorId, uint16_t& productId)
{
    const HANDLE query = CreateFileW(path, 0, ShareBoth, nullptr, OPEN_EXISTING, 0, nullptr);
    if (query == INVALID_HANDLE_VALUE)
        return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    const bool read = HidD_GetAttributes(query, &attributes) != FALSE;
    CloseHandle(query);
    if (read) {
        vendorId = attributes.VendorID;
        productId = attributes.ProductID;
    }
    return read;
}

}  // namespace

bool SameInterfacePath(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// One handle on an interface. A read or write handle has its own event and overlapped
// record, and a buffer of its own that a read fills: a read that gave up stays pending until
// it is cancelled, and must never land in the caller's buffer after the call returned.
struct HidClassBackend::OpenDevice {
    std::string path;
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    std::vector<uint8_t> received;
    bool readPending = false;

    OpenDevice() = default;
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;
    ~OpenDevice()
    {
        CancelPendingRead();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (event != nullptr)
            CloseHandle(event);
    }

    // Starts a transfer's overlapped record afresh.
    OVERLAPPED* Fresh()
    {
        ResetEvent(event);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event;
        return &overlapped;
    }

    // Abandons the read in flight and waits until the driver has let go of its buffer.
    void CancelPendingRead()
    {
        if (!readPending)
            return;
        CancelIoEx(file, &overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(file, &overlapped, &ignored, TRUE);
        readPending = false;
    }
};

HidClassBackend::HidClassBackend() = default;
HidClassBackend::~HidClassBackend() = default;

std::vector<HidInterfaceInfo> HidClassBackend::EnumerateInterfaces()
{
    GUID hidClass{};
    HidD_GetHidGuid(&hidClass);
    std::vector<HidInterfaceInfo> listed;
    std::vector<std::optional<UsbLocation>> locations;
    const HDEVINFO present = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (present == INVALID_HANDLE_VALUE) {
        m_lastError = "HID interfaces: " + SystemMessage(GetLastError());
        m_lastEnumeration.clear();
        return {};
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(present, nullptr, &hidClass, index, &interfaceData))
            break;
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailW(present, &interfaceData, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        // The record is a header followed by the path; DWORDs keep it aligned.
        std::vector<DWORD> storage(required / sizeof(DWORD) + 1);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiGetDeviceInterfaceDetailW(present, &interfaceData, detail, required, nullptr, &device))
            continue;
        HidInterfaceInfo info;
        info.path = Utf8(detail->DevicePath);
        // An interface whose attributes cannot be read keeps ids 0 and so never matches.
        AttributesOf(detail->DevicePath, info.vendorId, info.productId);
        listed.push_back(std::move(info));
        locations.push_back(LocationOf(device.DevInst));
    }
    SetupDiDestroyDeviceInfoList(present);

    const std::vector<boardlink::UsbPort> ports = NumberBuses(locations);
    for (std::size_t i = 0; i < listed.size(); ++i)
        listed[i].port = ports[i];
    m_lastEnumeration = listed;
    return listed;
}

HidHandle HidClassBackend::Open(const std::string& path, HidAccess access)
{
    // Only what the last listing found is opened, under the name the listing gave it.
    auto known = std::find_if(m_lastEnumeration.begin(), m_lastEnumeration.end(),
                              [&](const HidInterfaceInfo& i) { return SameInterfacePath(i.path, path); });
    if (known == m_lastEnumeration.end()) {
        m_lastError = path + " is not among the HID devices present";
        return InvalidHidHandle;
    }
    const std::optional<std::wstring> widePath = Wide(known->path);
    if (!widePath) {
        m_lastError = path + ": the path is not valid UTF-8";
        return InvalidHidHandle;
    }
    const DWORD rights = access == HidAccess::Query ? 0 : access == HidAccess::Write ? GENERIC_WRITE : GENERIC_READ;
    const DWORD flags = access == HidAccess::Query ? 0 : FILE_FLAG_OVERLAPPED;
    auto open = std::make_unique<OpenDevice>();
    open->path = known->path;
    open->file = CreateFileW(widePath->c_str(), rights, ShareBoth, nullptr, OPEN_EXISTING, flags, nullptr);
    if (open->file == INVALID_HANDLE_VALUE) {
        m_lastError = SystemMessage(GetLastError());
        return InvalidHidHandle;
    }
    if (access != HidAccess::Query) {
        open->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (open->event == nullptr) {
            m_lastError = "event for " + open->path + ": " + SystemMessage(GetLastError());
            return InvalidHidHandle;
        }
    }
    const HidHandle handle = m_nextHandle++;
    m_devices.emplace(handle, std::move(open));
    return handle;
}

HidClassBackend::OpenDevice* HidClassBackend::Find(HidHandle handle, const char* operation)
{
    auto it = m_devices.find(handle);
    if (it == m_devices.end()) {
        m_lastError = std::string(operation) + ": no open device has handle " + std::to_string(handle);
        return nullptr;
    }
    return it->second.get();
}

bool HidClassBackend::GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    OpenDevice* open = Find(handle, "attributes");
    if (open == nullptr)
        return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(open->file, &attributes)) {
        m_lastError = "attributes of " + open->path + ": " + SystemMessage(GetLastError());
        return false;
    }
    vendorId = attributes.VendorID;
    productId = attributes.ProductID;
    return true;
}

bool HidClassBackend::GetCaps(HidHandle handle, HidCaps& caps)
{
    OpenDevice* open = Find(handle, "capabilities");
    if (open == nullptr)
        return false;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(open->file, &preparsed)) {
        m_lastError = "capabilities of " + open->path + ": " + SystemMessage(GetLastError());
        return false;
    }
    HIDP_CAPS read{};
    const NTSTATUS status = HidP_GetCaps(preparsed, &read);
    HidD_FreePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) {
        m_lastError = "capabilities of " + open->path + ": the class driver's report description is not readable";
        return false;
    }
    caps = HidCaps{read.UsagePage, read.Usage, read.InputReportByteLength, read.OutputReportByteLength};
    return true;
}

bool HidClassBackend::Write(HidHandle handle, const uint8_t* report, std::size_t length)
{
    OpenDevice* open = Find(handle, "write");
    if (open == nullptr)
        return false;
    if (open->event == nullptr) {
        m_lastError = "write: " + open->path + " is open for queries only";
        return false;
    }
    // The class driver takes exactly one whole report, report-id byte first.
    OVERLAPPED* overlapped = open->Fresh();
    if (!WriteFile(open->file, report, static_cast<DWORD>(length), nullptr, overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        m_lastError = "write to " + open->path + ": " + SystemMessage(GetLastError());
        return false;
    }
    DWORD written = 0;
    if (WaitForSingleObject(open->event, WriteTimeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(open->file, overlapped);
        GetOverlappedResult(open->file, overlapped, &written, TRUE);
        m_lastError = "write to " + open->path + ": the board took no report within " +
                      std::to_string(WriteTimeoutMs) + " ms";
        return false;
    }
    if (!GetOverlappedResult(open->file, overlapped, &written, FALSE)) {
        m_lastError = "write to " + open->path + ": " + SystemMessage(GetLastError());
        return false;
    }
    if (written != length) {
        m_lastError = "write to " + open->path + ": " + std::to_string(written) + " of " + std::to_string(length) +
                      " bytes went out";
        return false;
    }
    return true;
}

HidReadResult HidClassBackend::Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    OpenDevice* open = Find(handle, "read");
    if (open == nullptr)
        return HidReadResult::Failed;
    if (open->event == nullptr || length == 0) {
        m_lastError = "read: " + open->path + (length == 0 ? " has no input report" : " is open for queries only");
        return HidReadResult::Failed;
    }
    // A read that gave up and was not cancelled would take the next report.
    open->CancelPendingRead();
    open->received.assign(length, 0);
    OVERLAPPED* overlapped = open->Fresh();
    if (!ReadFile(open->file, open->received.data(), static_cast<DWORD>(length), nullptr, overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        m_lastError = "read from " + open->path + ": " + SystemMessage(GetLastError());
        return HidReadResult::Failed;
    }
    open->readPending = true;
    switch (WaitForSingleObject(open->event, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs))) {
    case WAIT_OBJECT_0:
        break;
    case WAIT_TIMEOUT:
        // Left pending for Cancel, as the board link cancels a read that timed out.
        return HidReadResult::TimedOut;
    default:
        m_lastError = "read from " + open->path + ": waiting failed: " + SystemMessage(GetLastError());
        open->CancelPendingRead();
        return HidReadResult::Failed;
    }
    open->readPending = false;
    DWORD got = 0;
    if (!GetOverlappedResult(open->file, overlapped, &got, FALSE)) {
        m_lastError = "read from " + open->path + ": " + SystemMessage(GetLastError());
        return HidReadResult::Failed;
    }
    // A report shorter than declared leaves zeros behind it, never bytes of an earlier reply.
    const std::size_t count = std::min<std::size_t>(got, length);
    std::copy_n(open->received.begin(), count, buffer);
    std::fill(buffer + count, buffer + length, uint8_t{0});
    return HidReadResult::Arrived;
}

void HidClassBackend::Cancel(HidHandle handle)
{
    auto it = m_devices.find(handle);
    if (it != m_devices.end())
        it->second->CancelPendingRead();
}

void HidClassBackend::Drain(HidHandle handle)
{
    auto it = m_devices.find(handle);
    if (it == m_devices.end() || it->second->event == nullptr)
        return;
    // The class driver keeps the reports that came while no read waited in a queue of the
    // handle; a late reply among them would be taken for the next command's.
    it->second->CancelPendingRead();
    HidD_FlushQueue(it->second->file);
}

void HidClassBackend::Close(HidHandle handle) { m_devices.erase(handle); }

std::string HidClassBackend::LastError() const { return m_lastError; }

}  // namespace platform::windows
