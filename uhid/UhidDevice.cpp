#include "uhid/UhidDevice.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace uhid {
namespace {

template <std::size_t N>
void CopyText(uint8_t (&field)[N], const std::string& text)
{
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = 0;
}

std::string HexId(uint16_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

}  // namespace

UhidDevice::~UhidDevice() { Destroy(); }

bool UhidDevice::Create()
{
    if (m_fd >= 0)
        return true;
    if (m_identity.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        m_error = m_identity.name + ": report descriptor of " + std::to_string(m_identity.reportDescriptor.size()) +
                  " bytes, more than the kernel takes";
        return false;
    }
    m_fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        const int error = errno;
        m_error = std::string("/dev/uhid: ") + std::strerror(error);
        if (error == ENOENT)
            m_error += " (load the kernel's uhid module: modprobe uhid)";
        else if (error == EACCES || error == EPERM)
            m_error += " (run as root)";
        return false;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& create = event.u.create2;
    CopyText(create.name, m_identity.name);
    CopyText(create.phys, "tarvik-uhid-board");
    CopyText(create.uniq, m_identity.uniq);
    create.rd_size = static_cast<uint16_t>(m_identity.reportDescriptor.size());
    create.bus = m_identity.bus;
    create.vendor = m_identity.vendorId;
    create.product = m_identity.productId;
    std::copy(m_identity.reportDescriptor.begin(), m_identity.reportDescriptor.end(), create.rd_data);
    if (!WriteEvent(&event, sizeof event, "create")) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

void UhidDevice::Destroy()
{
    if (m_fd < 0)
        return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    WriteEvent(&event, sizeof event, "destroy");
    // Closing the descriptor destroys the device in any case.
    ::close(m_fd);
    m_fd = -1;
}

void UhidDevice::RefuseFeatureReport(uint32_t replyType, uint32_t id)
{
    uhid_event reply{};
    reply.type = replyType;
    if (replyType == UHID_GET_REPORT_REPLY) {
        reply.u.get_report_reply.id = id;
        reply.u.get_report_reply.err = EIO;
    } else {
        reply.u.set_report_reply.id = id;
        reply.u.set_report_reply.err = EIO;
    }
    WriteEvent(&reply, sizeof reply, "feature report reply");
}

bool UhidDevice::WriteEvent(const void* event, std::size_t length, const char* what)
{
    const ssize_t written = ::write(m_fd, event, length);
    if (written != static_cast<ssize_t>(length)) {
        m_error = m_identity.name + ": " + what + " through /dev/uhid: " +
                  (written < 0 ? std::strerror(errno) : "short write");
        return false;
    }
    return true;
}

bool UhidDevice::ReadEvent(DeviceEvent& out)
{
    uhid_event event{};
    const ssize_t count = ::read(m_fd, &event, sizeof event);
    if (count < static_cast<ssize_t>(sizeof event.type)) {
        m_error = m_identity.name + ": read from /dev/uhid: " + (count < 0 ? std::strerror(errno) : "short event");
        return false;
    }
    out = DeviceEvent{};
    switch (event.type) {
    case UHID_START: out.kind = DeviceEvent::Kind::Started; break;
    case UHID_STOP: out.kind = DeviceEvent::Kind::Stopped; break;
    case UHID_OUTPUT:
        out.kind = DeviceEvent::Kind::Output;
        out.data.assign(event.u.output.data, event.u.output.data + std::min<std::size_t>(event.u.output.size, UHID_DATA_MAX));
        break;
    // The device has no feature reports; a request for one fails at once instead of leaving
    // the caller waiting for the kernel's time limit.
    case UHID_GET_REPORT: RefuseFeatureReport(UHID_GET_REPORT_REPLY, event.u.get_report.id); break;
    case UHID_SET_REPORT: RefuseFeatureReport(UHID_SET_REPORT_REPLY, event.u.set_report.id); break;
    default: break;
    }
    return true;
}

bool UhidDevice::SendInput(const uint8_t* payload, std::size_t length)
{
    if (m_fd < 0) {
        m_error = m_identity.name + ": input report to a device that is unplugged";
        return false;
    }
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(std::min<std::size_t>(length, UHID_DATA_MAX));
    std::copy_n(payload, event.u.input2.size, event.u.input2.data);
    return WriteEvent(&event, sizeof event, "input report");
}

std::string FindHidrawNode(const DeviceIdentity& identity, const std::string& sysfsRoot)
{
    namespace fs = std::filesystem;
    const std::string wantedId = "HID_ID=" + HexId(identity.bus).substr(4) + ":" + HexId(identity.vendorId) + ":" +
                                 HexId(identity.productId);
    const std::string wantedUniq = "HID_UNIQ=" + identity.uniq;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysfsRoot + "/class/hidraw", error)) {
        std::ifstream uevent(entry.path() / "device" / "uevent");
        bool idMatches = false;
        bool uniqMatches = false;
        for (std::string line; std::getline(uevent, line);) {
            idMatches = idMatches || line == wantedId;
            uniqMatches = uniqMatches || line == wantedUniq;
        }
        if (idMatches && uniqMatches)
            return "/dev/" + entry.path().filename().string();
    }
    return {};
}

}  // namespace uhid
