#pragma once

#include <memory>
#include <string>

#include "cli/Core.h"

namespace cli {

// A device layer that lists one board only, so that a board link on it finds that board
// and no other. Each board of a run gets one, with a device layer of its own beneath, so
// that boards are worked on side by side without sharing anything.
class OneBoardBackend final : public HidBackend {
public:
    OneBoardBackend(std::unique_ptr<HidBackend> inner, std::string path);

    std::vector<HidInterfaceInfo> EnumerateInterfaces() override;
    usbio::HidHandle Open(const std::string& path, HidAccess access) override;
    bool GetAttributes(usbio::HidHandle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(usbio::HidHandle handle, usbio::HidCaps& caps) override;
    bool Write(usbio::HidHandle handle, const uint8_t* report, std::size_t length) override;
    usbio::HidReadResult Read(usbio::HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) override;
    void Cancel(usbio::HidHandle handle) override;
    void Close(usbio::HidHandle handle) override;
    std::string LastError() const override;

private:
    std::unique_ptr<HidBackend> m_inner;
    std::string m_path;
};

}  // namespace cli
