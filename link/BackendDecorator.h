#pragma once

#include "link/HidBackend.h"

namespace boardlink {

// A device layer that passes every call to another one; a layer derived from it changes only
// the calls it is about (a fault plan, one board of several, a platform without identities).
class BackendDecorator : public HidBackend {
public:
    explicit BackendDecorator(HidBackend& inner) : m_inner(inner) {}

    std::vector<HidInterfaceInfo> EnumerateInterfaces() override { return m_inner.EnumerateInterfaces(); }
    HidHandle Open(const std::string& path, HidAccess access) override { return m_inner.Open(path, access); }
    bool GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId) override
    {
        return m_inner.GetAttributes(handle, vendorId, productId);
    }
    bool GetCaps(HidHandle handle, HidCaps& caps) override { return m_inner.GetCaps(handle, caps); }
    bool Write(HidHandle handle, const uint8_t* report, std::size_t length) override
    {
        return m_inner.Write(handle, report, length);
    }
    HidReadResult Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) override
    {
        return m_inner.Read(handle, buffer, length, timeoutMs);
    }
    void Cancel(HidHandle handle) override { m_inner.Cancel(handle); }
    void Drain(HidHandle handle) override { m_inner.Drain(handle); }
    void Close(HidHandle handle) override { m_inner.Close(handle); }
    std::string LastError() const override { return m_inner.LastError(); }

private:
    HidBackend& m_inner;
};

}  // namespace boardlink
