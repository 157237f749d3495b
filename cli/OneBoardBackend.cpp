#include "cli/OneBoardBackend.h"

#include <algorithm>

namespace cli {

OneBoardBackend::OneBoardBackend(std::unique_ptr<HidBackend> inner, std::string path)
    : m_inner(std::move(inner)), m_path(std::move(path))
{
}

std::vector<HidInterfaceInfo> OneBoardBackend::EnumerateInterfaces()
{
    std::vector<HidInterfaceInfo> list = m_inner->EnumerateInterfaces();
    std::erase_if(list, [this](const HidInterfaceInfo& info) { return info.path != m_path; });
    return list;
}

usbio::HidHandle OneBoardBackend::Open(const std::string& path, HidAccess access) { return m_inner->Open(path, access); }

bool OneBoardBackend::GetAttributes(usbio::HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    return m_inner->GetAttributes(handle, vendorId, productId);
}

bool OneBoardBackend::GetCaps(usbio::HidHandle handle, usbio::HidCaps& caps) { return m_inner->GetCaps(handle, caps); }

bool OneBoardBackend::Write(usbio::HidHandle handle, const uint8_t* report, std::size_t length)
{
    return m_inner->Write(handle, report, length);
}

usbio::HidReadResult OneBoardBackend::Read(usbio::HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    return m_inner->Read(handle, buffer, length, timeoutMs);
}

void OneBoardBackend::Cancel(usbio::HidHandle handle) { m_inner->Cancel(handle); }

void OneBoardBackend::Close(usbio::HidHandle handle) { m_inner->Close(handle); }

std::string OneBoardBackend::LastError() const { return m_inner->LastError(); }

}  // namespace cli
