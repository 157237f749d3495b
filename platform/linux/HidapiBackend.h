#pragma once

#include <map>
#include <set>
#include <string>

#include "link/HidBackend.h"

struct hid_device_;

namespace platform {

using boardlink::HidAccess;
using boardlink::HidCaps;
using boardlink::HidHandle;
using boardlink::HidInterfaceInfo;
using boardlink::HidReadResult;

// The real board over hidapi's hidraw backend. Query handles need no open device node:
// the attributes come from the enumeration and the capabilities from the node's report
// descriptor in sysfs, so a board whose node may not be opened is still recognised; the
// identity of each node comes from sysfs as well, in the form the udev watcher reports.
// One backend serves one thread; backends in several threads may exist at once.
class HidapiBackend final : public boardlink::HidBackend {
public:
    // sysfsRoot is where the report descriptors are read ("/sys" on a real system).
    explicit HidapiBackend(std::string sysfsRoot = "/sys");
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidInterfaceInfo> EnumerateInterfaces() override;
    HidHandle Open(const std::string& path, HidAccess access) override;
    bool GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(HidHandle handle, HidCaps& caps) override;
    bool Write(HidHandle handle, const uint8_t* report, std::size_t length) override;
    HidReadResult Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) override;
    void Cancel(HidHandle handle) override;
    void Drain(HidHandle handle) override;
    void Close(HidHandle handle) override;
    std::string LastError() const override;

private:
    struct OpenDevice {
        HidInterfaceInfo info;
        hid_device_* device = nullptr;  // none for query handles
        // Numbered reports arrive with their id in front; report id 0 arrives without it.
        bool usesReportIds = false;
    };
    OpenDevice* Find(HidHandle handle, const char* operation);

    std::string m_sysfsRoot;
    std::map<HidHandle, OpenDevice> m_devices;
    std::vector<HidInterfaceInfo> m_lastEnumeration;
    HidHandle m_nextHandle = 1;
    std::string m_lastError;
    // Nodes whose read timed out: a reply still on its way may wait in the device (a USB IN
    // endpoint keeps it) until the node is opened again, so the next drain there waits for it.
    std::set<std::string> m_timedOutPaths;
};

// Why the device node at path could not be opened, in the system's words ("Permission
// denied" when the node's mode or the missing udev rule keeps the user out); hidapiText when
// the node itself is accessible and the failure came later.
std::string OpenFailureReason(const std::string& path, const std::string& hidapiText);

}  // namespace platform
