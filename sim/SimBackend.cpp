#include "sim/SimBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "link/ReportDescriptor.h"
#include "link/Reports.h"

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
    const boardlink::ReportDescriptorResult parsed = boardlink::ParseReportDescriptor(BoardReportDescriptor());
    m_boardCaps = {parsed.lengths.usagePage, parsed.lengths.usage, parsed.lengths.input, parsed.lengths.output};
    m_boardIdentity = PortIdentity(m_boardPath, boardlink::BoardVendorId, boardlink::BoardProductId);
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
    m_hung = false;  // plugged in again, the board starts afresh
    m_boardPath = path;
    m_boardIdentity = identity.empty() ? PortIdentity(path, boardlink::BoardVendorId, boardlink::BoardProductId) : identity;
}

void SimBackend::Unplug()
{
    m_plugged = false;
    m_dropOutEnumerations.reset();
    m_inputQueue.clear();
    m_lateReply.reset();
}

void SimBackend::AddOtherDevice(const OtherDevice& device, bool inFront)
{
    (inFront ? m_othersInFront : m_othersBehind).push_back(device);
}

void SimBackend::Record(std::vector<std::vector<uint8_t>>& record, const uint8_t* report, std::size_t length)
{
    if (record.size() >= 2 * MaxRecordedReports)
        record.erase(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(MaxRecordedReports));
    record.emplace_back(report, report + length);
}

void SimBackend::ClearRecord()
{
    m_received.clear();
    m_sent.clear();
}

std::vector<boardlink::HidInterfaceInfo> SimBackend::EnumerateInterfaces()
{
    const auto held = Hold();
    // A board that dropped out misses the search of the exchange it dropped out of and is
    // back for the next one.
    if (m_dropOutEnumerations && (*m_dropOutEnumerations)-- == 0) {
        m_dropOutEnumerations.reset();
        m_plugged = true;
    }
    auto other = [](const OtherDevice& d) {
        return boardlink::HidInterfaceInfo{d.path, d.vendorId, d.productId,
                                           d.identity.empty() ? PortIdentity(d.path, d.vendorId, d.productId) : d.identity,
                                           d.port};
    };
    std::vector<boardlink::HidInterfaceInfo> list;
    for (const OtherDevice& d : m_othersInFront)
        list.push_back(other(d));
    if (m_plugged)
        list.push_back({m_boardPath, boardlink::BoardVendorId, boardlink::BoardProductId, m_boardIdentity, m_port});
    for (const OtherDevice& d : m_othersBehind)
        list.push_back(other(d));
    return list;
}

void SimBackend::SetPort(boardlink::UsbPort port)
{
    const auto held = Hold();
    m_port = std::move(port);
}

const SimBackend::OtherDevice* SimBackend::FindOther(const std::string& path) const
{
    for (const auto* list : {&m_othersInFront, &m_othersBehind})
        for (const OtherDevice& d : *list)
            if (d.path == path)
                return &d;
    return nullptr;
}

const SimBackend::OpenHandle* SimBackend::FindHandle(boardlink::HidHandle handle) const
{
    auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : &it->second;
}

boardlink::HidHandle SimBackend::Open(const std::string& path, boardlink::HidAccess access)
{
    const auto held = Hold();
    m_openedPaths.push_back(path);
    if (!IsBoard(path) && FindOther(path) == nullptr) {
        m_lastError = "No such device";
        return boardlink::InvalidHidHandle;
    }
    if (IsBoard(path) && m_refuseAccess && access != boardlink::HidAccess::Query) {
        m_lastError = "Permission denied";
        return boardlink::InvalidHidHandle;
    }
    const boardlink::HidHandle handle = m_nextHandle++;
    m_handles.emplace(handle, OpenHandle{path, access});
    return handle;
}

bool SimBackend::GetAttributes(boardlink::HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    const auto held = Hold();
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr)
        return false;
    if (IsBoard(open->path)) {
        vendorId = boardlink::BoardVendorId;
        productId = boardlink::BoardProductId;
        return true;
    }
    if (const OtherDevice* other = FindOther(open->path)) {
        vendorId = other->vendorId;
        productId = other->productId;
        return true;
    }
    return false;
}

bool SimBackend::GetCaps(boardlink::HidHandle handle, boardlink::HidCaps& caps)
{
    const auto held = Hold();
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

// The real time one report takes: the latency set, and with real timing at least one USB
// frame (a full-speed interrupt endpoint moves one report per 1 ms frame).
void SimBackend::Pace() const
{
    constexpr unsigned UsbFrameUs = 1000;
    const unsigned us = m_realTiming ? std::max(m_latencyUs, UsbFrameUs) : m_latencyUs;
    if (us != 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::optional<LinkFault> SimBackend::TakeFault() { return m_faults.Take(++m_faultWrites); }

bool SimBackend::Write(boardlink::HidHandle handle, const uint8_t* report, std::size_t length)
{
    auto held = Hold();
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr || open->access != boardlink::HidAccess::Write) {
        m_lastError = "Bad file descriptor";
        return false;
    }
    if (!IsBoard(open->path)) {
        m_lastError = "No such device";
        return false;
    }
    // A reply that came late has arrived by now and waits for the next read.
    if (m_lateReply) {
        m_inputQueue.push_back(std::move(*m_lateReply));
        m_lateReply.reset();
    }
    const std::optional<LinkFault> fault = TakeFault();
    if (fault == LinkFault::Unplug || fault == LinkFault::DropOut) {
        Unplug();
        if (fault == LinkFault::DropOut)
            m_dropOutEnumerations = 1;
        m_lastError = "No such device";
        return false;
    }
    if (fault == LinkFault::WriteFails) {
        m_lastError = "Input/output error";
        return false;
    }
    held.unlock();
    Pace();
    held.lock();
    ++m_exchanges;
    if (m_recording)
        Record(m_received, report, length);
    // A hung board takes the report and does nothing with it, from now on.
    if (fault == LinkFault::Hang)
        m_hung = true;
    if (m_hung)
        return true;
    const bool answers = !m_answersLeft || *m_answersLeft > 0;
    if (m_answersLeft && *m_answersLeft > 0)
        --*m_answersLeft;
    if (fault == LinkFault::Refused)
        m_board.RefuseNextCommand();
    // The firmware carries out every command it receives, even one whose reply gets lost.
    SimBoard::Reply reply = m_board.Execute(report, length, m_boardCaps.inputReportByteLength);
    if (fault == LinkFault::GarbledStatus)
        reply.bytes[boardlink::StatusByte] ^= 0x20;
    if (!answers || fault == LinkFault::NoReply)
        return true;
    if (fault == LinkFault::LateReply)
        m_lateReply = std::move(reply);
    else
        m_inputQueue.push_back(std::move(reply));
    return true;
}

boardlink::HidReadResult SimBackend::Read(boardlink::HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    auto held = Hold();
    const OpenHandle* open = FindHandle(handle);
    if (open == nullptr || open->access != boardlink::HidAccess::Read) {
        m_lastError = "Bad file descriptor";
        return boardlink::HidReadResult::Failed;
    }
    // The reply's own USB frame; the board may be unplugged meanwhile.
    if (m_realTiming && !m_inputQueue.empty() && IsBoard(open->path)) {
        held.unlock();
        Pace();
        held.lock();
    }
    if (m_inputQueue.empty() || !IsBoard(open->path)) {
        m_elapsedMs += static_cast<uint64_t>(timeoutMs);
        if (m_realTiming) {
            held.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
            held.lock();
        }
        // The late reply arrives just after the read gave up.
        if (m_lateReply && IsBoard(open->path)) {
            m_inputQueue.push_back(std::move(*m_lateReply));
            m_lateReply.reset();
        }
        return boardlink::HidReadResult::TimedOut;
    }
    const SimBoard::Reply& reply = m_inputQueue.front();
    std::copy_n(reply.bytes.begin(), std::min(length, reply.length), buffer);
    if (m_recording)
        Record(m_sent, reply.bytes.data(), reply.length);
    m_inputQueue.erase(m_inputQueue.begin());
    return boardlink::HidReadResult::Arrived;
}

// Cancelling the read does not recall reports: one that arrives afterwards still waits in
// the device's queue, as with the real driver.
void SimBackend::Cancel(boardlink::HidHandle) {}

void SimBackend::Drain(boardlink::HidHandle handle)
{
    const auto held = Hold();
    const OpenHandle* open = FindHandle(handle);
    if (open != nullptr && open->access == boardlink::HidAccess::Read && IsBoard(open->path))
        m_inputQueue.clear();
}

void SimBackend::Close(boardlink::HidHandle handle)
{
    const auto held = Hold();
    m_handles.erase(handle);
}

}  // namespace sim
