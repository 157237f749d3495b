#include "sim/SimBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "link/ReportDescriptor.h"
#include "link/usbio.h"

namespace sim {

const std::vector<uint8_t>& SimBackend::BoardReportDescriptor()
{
    static const std::vector<uint8_t> descriptor = {
        0x06, 0x00, 0xFF,  // Usage Page (vendor defined 0xFF00)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x40,        //   Report Count (64)
        0x09, 0x01,        //   Usage (1)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x95, 0x40,        //   Report Count (64)
        0x09, 0x01,        //   Usage (1)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    return descriptor;
}

SimBackend::SimBackend()
{
    // The board's capabilities come from its descriptor, as the real board's do.
    const usbio::ReportDescriptorResult parsed = usbio::ParseReportDescriptor(BoardReportDescriptor());
    m_boardCaps = {parsed.lengths.usagePage, parsed.lengths.usage, parsed.lengths.input, parsed.lengths.output};
    m_boardIdentity = PortIdentity(m_boardPath, usbio::BoardVendorId, usbio::BoardProductId);
}

std::string SimBackend::PortIdentity(const std::string& path, uint16_t vendorId, uint16_t productId)
{
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X", vendorId, productId);
    return "simulated port " + path + " " + ids;
}

void SimBackend::Plug(const std::string& path, const std::string& identity)
{
    m_plugged = true;
    m_boardPath = path;
    m_boardIdentity = identity.empty() ? PortIdentity(path, usbio::BoardVendorId, usbio::BoardProductId) : identity;
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
    auto other = [](const OtherDevice& d) {
        return usbio::HidInterfaceInfo{d.path, d.vendorId, d.productId,
                                       d.identity.empty() ? PortIdentity(d.path, d.vendorId, d.productId) : d.identity};
    };
    std::vector<usbio::HidInterfaceInfo> list;
    for (const OtherDevice& d : m_othersInFront)
        list.push_back(other(d));
    if (m_plugged)
        list.push_back({m_boardPath, usbio::BoardVendorId, usbio::BoardProductId, m_boardIdentity});
    for (const OtherDevice& d : m_othersBehind)
        list.push_back(other(d));
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
    m_openedPaths.push_back(path);
    if (!IsBoard(path) && FindOther(path) == nullptr) {
        m_lastError = "No such device";
        return usbio::InvalidHidHandle;
    }
    if (IsBoard(path) && m_refuseAccess && access != usbio::HidAccess::Query) {
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
    const bool dropped = m_dropReplyAfter && *m_dropReplyAfter == 0;
    if (m_dropReplyAfter)
        m_dropReplyAfter = dropped ? std::nullopt : std::optional<std::size_t>(*m_dropReplyAfter - 1);
    m_replyPending = answers && !dropped;
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
