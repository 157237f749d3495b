#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/HidBackend.h"

// The real board over the Windows HID class driver: the setup API lists the HID interfaces,
// the class driver gives their attributes and capabilities, and each handle is a file
// opened on the interface's path. Reads and writes are overlapped, so that both end within
// their time limit and a read that gave up can be cancelled.
// One backend serves one thread; backends in several threads may exist at once.
namespace platform::windows {

class HidClassBackend final : public boardlink::HidBackend {
public:
    HidClassBackend();
    ~HidClassBackend() override;
    HidClassBackend(const HidClassBackend&) = delete;
    HidClassBackend& operator=(const HidClassBackend&) = delete;

    std::vector<boardlink::HidInterfaceInfo> EnumerateInterfaces() override;
    boardlink::HidHandle Open(const std::string& path, boardlink::HidAccess access) override;
    bool GetAttributes(boardlink::HidHandle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(boardlink::HidHandle handle, boardlink::HidCaps& caps) override;
    bool Write(boardlink::HidHandle handle, const uint8_t* report, std::size_t length) override;
    boardlink::HidReadResult Read(boardlink::HidHandle handle, uint8_t* buffer, std::size_t length,
                                  int timeoutMs) override;
    void Cancel(boardlink::HidHandle handle) override;
    void Drain(boardlink::HidHandle handle) override;
    void Close(boardlink::HidHandle handle) override;
    std::string LastError() const override;

private:
    struct OpenDevice;
    OpenDevice* Find(boardlink::HidHandle handle, const char* operation);

    std::map<boardlink::HidHandle, std::unique_ptr<OpenDevice>> m_devices;
    std::vector<boardlink::HidInterfaceInfo> m_lastEnumeration;
    boardlink::HidHandle m_nextHandle = 1;
    std::string m_lastError;
};

// Whether two interface paths name the same interface: Windows gives a path in lower case
// from the setup API and in upper case in a device notification.
bool SameInterfacePath(const std::string& a, const std::string& b);

}  // namespace platform::windows
