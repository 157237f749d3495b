#include "sim/SimBackend.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/usbio.h"

namespace sim {

SimBackend::SimBackend() = default;

void SimBackend::Plug(const std::string& path)
{
    m_plugged = true;
    m_boardPath = path;
}

void SimBackend::Unplug()
{
    m_plugged = false;
    m_replyPending = false;
}

void SimBackend::AddOtherDevice(const OtherDevice& device, bool inFront)
{
    (inFront ? m_othersInFront : m_othersBehind).push_back(device);
}

void SimBackend::ClearRecord()
{
    m_received.clear();
    m_sent.clear();
}

std::vector<usbio::HidInterfaceInfo> SimBackend::EnumerateInterfaces()
{
    std::vector<usbio::HidInterfaceInfo> list;
    for (const OtherDevice& d : m_othersInFront)
        list.push_back({d.path, d.vendorId, d.productId});
    if (m_plugged)
        list.push_back({m_boardPath, usbio::BoardVendorId, usbio::BoardProductId});
    for (const OtherDevice& d : m_othersBehind)
        list.push_back({d.path, d.vendorId, d.productId});
    return list;
}

const SimBackend::OtherDevice* SimBackend::FindOther(const std::string& path) const
{
    for (const auto* list : {&m_othersInFront, &m_othersBehind})
        for (const OtherDevice& d : *list)
            if (d.path == path)
                return &d;
    return nullptr;
}

const SimBackend::OpenHandle* SimBackend::FindHandle(usbio::HidHandle handle) const
{
    auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : &it->second;
}

usbio::HidHandle SimBackend::Open(const std::string& path, usbio::HidAccess access)
{
    if (!IsBoard(path) && FindOther(path) == nullptr) {
        m_lastError = "No such device";
        return usbio::InvalidHidHandle;
    }
    if (IsBoard(path) && m_refusedAccess && *m_refusedAccess == access) {
        m_lastError = "Permission denied";
        return usbio::InvalidHidHandle;
    }
    const usbio::HidHandle handle = m_nextHandle++;
    m_handles.emplace(handle, OpenHandle{path, access});
    return handle;
}

bool SimBackend::GetAttributes(usbio::HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr)
        return false;
    if (IsBoard(open->path)) {
        vendorId = usbio::BoardVendorId;
        productId = usbio::BoardProductId;
        return true;
    }
    if (const OtherDevice* other = FindOther(open->path)) {
        vendorId = other->vendorId;
        productId = other->productId;
        return true;
    }
    return false;
}

bool SimBackend::GetCaps(usbio::HidHandle handle, usbio::HidCaps& caps)
{
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr)
        return false;
    if (IsBoard(open->path)) {
        caps = m_boardCaps;
        return true;
    }
    if (const OtherDevice* other = FindOther(open->path)) {
        caps = other->caps;
        return true;
    }
    return false;
}

void SimBackend::Pace() const
{
    if (m_latencyUs != 0)
        std::this_thread::sleep_for(std::chrono::microseconds(m_latencyUs));
}

bool SimBackend::Write(usbio::HidHandle handle, const uint8_t* report, std::size_t length)
{
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr || open->access != usbio::HidAccess::Write) {
        m_lastError = "Bad file descriptor";
        return false;
    }
    if (!IsBoard(open->path)) {
        m_lastError = "No such device";
        return false;
    }
    if (m_failNextWrite) {
        m_failNextWrite = false;
        m_lastError = "Input/output error";
        return false;
    }
    Pace();
    m_received.emplace_back(report, report + length);
    const bool answers = !m_answersLeft || *m_answersLeft > 0;
    if (m_answersLeft && *m_answersLeft > 0)
        --*m_answersLeft;
    // The firmware carries out every command it receives, even one whose reply gets lost.
    m_pendingReply = m_board.Execute(report, length, m_boardCaps.inputReportByteLength);
    m_replyPending = answers && !m_dropNextReply;
    m_dropNextReply = false;
    return true;
}

usbio::HidReadResult SimBackend::Read(usbio::HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr || open->access != usbio::HidAccess::Read) {
        m_lastError = "Bad file descriptor";
        return usbio::HidReadResult::Failed;
    }
    if (!m_replyPending || !IsBoard(open->path)) {
        m_elapsedMs += static_cast<uint64_t>(timeoutMs);
        return usbio::HidReadResult::TimedOut;
    }
    m_replyPending = false;
    std::copy_n(m_pendingReply.begin(), std::min(length, m_pendingReply.size()), buffer);
    m_sent.push_back(m_pendingReply);
    return usbio::HidReadResult::Arrived;
}

void SimBackend::Cancel(usbio::HidHandle) { m_replyPending = false; }

void SimBackend::Close(usbio::HidHandle handle) { m_handles.erase(handle); }

}  // namespace sim
