#include "uhid/VirtualBoard.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "link/Reports.h"
#include "sim/SimBackend.h"
#include "uhid/GadgetDevice.h"

namespace uhid {
namespace {

DeviceIdentity BoardIdentity(const std::string& uniq)
{
    return {"Morvane FPGA board", uniq, BusUsb, boardlink::BoardVendorId, boardlink::BoardProductId,
            sim::SimBackend::BoardReportDescriptor()};
}

// The open-source test pair of vendor and product ids: no real mouse carries it.
DeviceIdentity MouseIdentity() { return {"Virtual USB mouse", "mouse-1", BusUsb, 0x1209, 0x0001, MouseReportDescriptor()}; }

constexpr std::size_t PayloadLength = sim::SimBackend::ReportByteLength - 1;

}  // namespace

std::vector<uint8_t> CommandFromOutput(const std::vector<uint8_t>& output, std::size_t payloadLength)
{
    auto payload = output.begin();
    if (output.size() == payloadLength + 1 && output.front() == 0)
        ++payload;
    std::vector<uint8_t> command(payloadLength + 1, 0);
    const std::size_t length = std::min<std::size_t>(output.end() - payload, payloadLength);
    std::copy_n(payload, length, command.begin() + 1);
    return command;
}

const std::vector<uint8_t>& MouseReportDescriptor()
{
    static const std::vector<uint8_t> descriptor = {
        0x05, 0x01,  // Usage Page (Generic Desktop)
        0x09, 0x02,  // Usage (Mouse)
        0xA1, 0x01,  // Collection (Application)
        0x09, 0x01,  //   Usage (Pointer)
        0xA1, 0x00,  //   Collection (Physical)
        0x05, 0x09,  //     Usage Page (Button)
        0x19, 0x01,  //     Usage Minimum (1)
        0x29, 0x03,  //     Usage Maximum (3)
        0x15, 0x00,  //     Logical Minimum (0)
        0x25, 0x01,  //     Logical Maximum (1)
        0x95, 0x03,  //     Report Count (3)
        0x75, 0x01,  //     Report Size (1)
        0x81, 0x02,  //     Input (Data, Variable, Absolute)
        0x95, 0x01,  //     Report Count (1)
        0x75, 0x05,  //     Report Size (5)
        0x81, 0x01,  //     Input (Constant)
        0x05, 0x01,  //     Usage Page (Generic Desktop)
        0x09, 0x30,  //     Usage (X)
        0x09, 0x31,  //     Usage (Y)
        0x15, 0x81,  //     Logical Minimum (-127)
        0x25, 0x7F,  //     Logical Maximum (127)
        0x75, 0x08,  //     Report Size (8)
        0x95, 0x02,  //     Report Count (2)
        0x81, 0x06,  //     Input (Data, Variable, Relative)
        0xC0,        //   End Collection
        0xC0,        // End Collection
    };
    return descriptor;
}

VirtualBoard::VirtualBoard(VirtualBoardOptions options, Reporter reporter)
    : m_options(std::move(options)), m_report(std::move(reporter)), m_mouse(MouseIdentity())
{
    if (m_options.gadget)
        m_board = std::make_unique<GadgetDevice>(BoardIdentity(m_options.uniq), m_options.udc,
                                                 "tarvik-" + m_options.uniq);
    else
        m_board = std::make_unique<UhidDevice>(BoardIdentity(m_options.uniq));
}

bool VirtualBoard::PlugBoard()
{
    if (m_board->Exists())
        return true;
    if (!m_board->Create()) {
        m_error = m_board->Error();
        return false;
    }
    ++m_plugCount;
    // A gadget has no start event: the host enumerates it once it is bound.
    if (auto* gadget = dynamic_cast<GadgetDevice*>(m_board.get())) {
        if (gadget->Controller().rfind("dummy_udc", 0) == 0)
            ReportStarted(*gadget, "board");
        else
            m_report("board plugged on " + gadget->Controller());
    }
    return true;
}

void VirtualBoard::UnplugBoard()
{
    if (!m_board->Exists())
        return;
    m_board->Destroy();
    m_pending.clear();
    m_report("board unplugged");
}

bool VirtualBoard::PlugMouse()
{
    if (!m_mouse.Create()) {
        m_error = m_mouse.Error();
        return false;
    }
    return true;
}

void VirtualBoard::UnplugMouse()
{
    if (!m_mouse.Exists())
        return;
    m_mouse.Destroy();
    m_report("mouse unplugged");
}

void VirtualBoard::ReportStarted(const HidDevice& device, const char* what)
{
    // The kernel starts the device just before it gives it its hidraw node; a gadget is first
    // enumerated by the host, which on a busy or emulated machine can take seconds.
    std::string node;
    for (int attempt = 0; attempt < 1000 && node.empty(); ++attempt) {
        node = FindHidrawNode(device.Identity());
        if (node.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_report(std::string(what) + " plugged " + (node.empty() ? "without a hidraw node" : node));
}

void VirtualBoard::OnBoardReadable(Clock::time_point now)
{
    DeviceEvent event;
    if (!m_board->ReadEvent(event)) {
        m_error = m_board->Error();
        return;
    }
    if (event.kind == DeviceEvent::Kind::Started)
        ReportStarted(*m_board, "board");
    else if (event.kind == DeviceEvent::Kind::Output)
        Exchange(event.data, now);
}

void VirtualBoard::OnMouseReadable()
{
    DeviceEvent event;
    if (!m_mouse.ReadEvent(event)) {
        m_error = m_mouse.Error();
        return;
    }
    if (event.kind == DeviceEvent::Kind::Started)
        ReportStarted(m_mouse, "mouse");
}

void VirtualBoard::Exchange(const std::vector<uint8_t>& output, Clock::time_point now)
{
    ++m_exchanges;
    const std::vector<uint8_t> command = CommandFromOutput(output, PayloadLength);
    const std::optional<ExchangeFault> fault = m_faults.Take(m_exchanges);
    if (fault == ExchangeFault::Hang)
        m_hung = true;
    if (m_hung)
        return;
    if (fault == ExchangeFault::Unplug || fault == ExchangeFault::DropOut) {
        UnplugBoard();
        if (fault == ExchangeFault::DropOut)
            PlugBoard();
        return;
    }
    if (fault == ExchangeFault::Refused) {
        std::vector<uint8_t> reply(sim::SimBackend::ReportByteLength, 0);
        reply[boardlink::StatusByte] = sim::StatusRefused;
        Reply(std::move(reply), now + m_options.latency);
    } else {
        // The firmware carries out every command it receives, even one whose reply is lost.
        const sim::SimBoard::Reply executed =
            m_model.Execute(command.data(), command.size(), sim::SimBackend::ReportByteLength);
        std::vector<uint8_t> reply(executed.bytes.begin(), executed.bytes.begin() + executed.length);
        if (fault == ExchangeFault::GarbledStatus)
            reply[boardlink::StatusByte] ^= 0x20;
        if (fault == ExchangeFault::LateReply)
            Reply(std::move(reply), now + m_options.lateReply, true);
        else if (fault != ExchangeFault::NoReply)
            Reply(std::move(reply), now + m_options.latency);
    }
    if (m_options.replugAfter && *m_options.replugAfter == m_exchanges) {
        SendDueReplies(now);
        UnplugBoard();
        PlugBoard();
    }
}

void VirtualBoard::Reply(std::vector<uint8_t> reply, Clock::time_point due, bool late)
{
    // The input report goes out without the id byte: the device numbers no reports.
    reply.erase(reply.begin());
    m_pending.push_back({due, m_plugCount, std::move(reply), m_exchanges, late});
    SendDueReplies(Clock::now());
}

std::optional<std::chrono::milliseconds> VirtualBoard::UntilNextReply(Clock::time_point now) const
{
    if (m_pending.empty())
        return std::nullopt;
    const auto next = std::min_element(m_pending.begin(), m_pending.end(),
                                       [](const PendingReply& a, const PendingReply& b) { return a.due < b.due; });
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(next->due - now));
}

void VirtualBoard::SendDueReplies(Clock::time_point now)
{
    // Replies go out in the order they are due; one made before an unplug is dropped.
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const PendingReply& a, const PendingReply& b) { return a.due < b.due; });
    auto it = m_pending.begin();
    for (; it != m_pending.end() && it->due <= now; ++it) {
        if (it->plugCount != m_plugCount || !m_board->Exists())
            continue;
        if (!m_board->SendInput(it->payload.data(), it->payload.size()))
            m_error = m_board->Error();
        else if (it->late)
            m_report("late reply sent to exchange " + std::to_string(it->exchange));
    }
    m_pending.erase(m_pending.begin(), it);
}

bool VirtualBoard::DumpFlash(const std::string& path, std::string& error) const
{
    // Written beside the target and renamed, so a reader never sees half a flash.
    const std::string part = path + ".part";
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(m_model.Flash().data()), static_cast<std::streamsize>(m_model.Flash().size()));
    out.close();
    if (!out || std::rename(part.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        std::remove(part.c_str());
        return false;
    }
    return true;
}

}  // namespace uhid
