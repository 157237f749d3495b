#include "uhid/GadgetDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace uhid {
namespace {

namespace fs = std::filesystem;

const char* const GadgetFolder = "/sys/kernel/config/usb_gadget";
constexpr std::size_t ReportLength = 64;

std::string Hex(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

// Writes one configfs attribute; false with the reason in error.
bool WriteAttribute(const fs::path& path, const std::string& value, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::write(fd, value.data(), value.size()) != static_cast<ssize_t>(value.size())) {
        error = path.string() + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

std::string ReadAttribute(const fs::path& path)
{
    std::ifstream in(path);
    std::string value;
    std::getline(in, value);
    return value;
}

}  // namespace

std::vector<std::string> DeviceControllers(const std::string& sysfsRoot)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysfsRoot + "/class/udc", error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

GadgetDevice::GadgetDevice(DeviceIdentity identity, std::string controller, std::string gadgetName)
    : m_identity(std::move(identity)), m_controller(std::move(controller)),
      m_root(std::string(GadgetFolder) + "/" + gadgetName)
{
}

GadgetDevice::~GadgetDevice() { Remove(); }

bool GadgetDevice::Fail(const std::string& message)
{
    m_error = message;
    return false;
}

bool GadgetDevice::Make()
{
    if (!fs::is_directory("/sys/kernel/config"))
        return Fail("configfs is not there (a kernel without CONFIG_CONFIGFS_FS, or not mounted: "
                    "mount -t configfs none /sys/kernel/config)");
    if (!fs::is_directory(GadgetFolder))
        return Fail(std::string(GadgetFolder) + " is missing: load the USB gadget modules (modprobe libcomposite; "
                    "modprobe usb_f_hid)");
    const std::vector<std::string> controllers = DeviceControllers();
    if (m_controller.empty()) {
        if (controllers.empty())
            return Fail("no USB device controller in /sys/class/udc: a machine with a USB device port needs its "
                        "controller's driver in peripheral mode; for a test on one machine, modprobe dummy_hcd");
        if (controllers.size() > 1)
            return Fail("more than one USB device controller (" + controllers.front() + ", ...): name one with --udc");
        m_controller = controllers.front();
    } else if (std::find(controllers.begin(), controllers.end(), m_controller) == controllers.end()) {
        return Fail("no USB device controller \"" + m_controller + "\" in /sys/class/udc");
    }
    // A gadget of this name left behind by a board that was killed goes first.
    Remove();

    const fs::path root = m_root;
    const fs::path function = root / "functions/hid.usb0";
    const fs::path config = root / "configs/c.1";
    std::error_code error;
    for (const fs::path& folder : {root, root / "strings/0x409", function, config, config / "strings/0x409"}) {
        if (!fs::create_directory(folder, error) && error)
            return Fail(folder.string() + ": " + error.message());
    }
    m_made = true;
    const std::string descriptor(m_identity.reportDescriptor.begin(), m_identity.reportDescriptor.end());
    const std::pair<fs::path, std::string> attributes[] = {
        {root / "idVendor", Hex(m_identity.vendorId)},
        {root / "idProduct", Hex(m_identity.productId)},
        {root / "bcdUSB", "0x0200"},
        {root / "bcdDevice", "0x0100"},
        {root / "strings/0x409/manufacturer", "Morvane"},
        {root / "strings/0x409/product", m_identity.name},
        {root / "strings/0x409/serialnumber", m_identity.uniq},
        {function / "protocol", "0"},
        {function / "subclass", "0"},
        {function / "report_length", std::to_string(ReportLength)},
        {function / "report_desc", descriptor},
        {config / "MaxPower", "100"},
        {config / "strings/0x409/configuration", "board"},
    };
    for (const auto& [path, value] : attributes)
        if (!WriteAttribute(path, value, m_error))
            return false;
    fs::create_directory_symlink(function, config / "hid.usb0", error);
    if (error)
        return Fail((config / "hid.usb0").string() + ": " + error.message());
    return true;
}

bool GadgetDevice::Exists() const { return m_fd >= 0 && !ReadAttribute(fs::path(m_root) / "UDC").empty(); }

bool GadgetDevice::Create()
{
    if (Exists())
        return true;
    // The node of a binding that ended from outside is of no further use.
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_made && !Make())
        return false;
    if (!WriteAttribute(fs::path(m_root) / "UDC", m_controller, m_error))
        return false;
    // The node is /dev/hidgN for the function's minor number; it appears once the gadget is bound.
    const std::string number = ReadAttribute(fs::path(m_root) / "functions/hid.usb0/dev");
    const std::string node = "/dev/hidg" + number.substr(number.find(':') + 1);
    for (int attempt = 0; attempt < 200 && m_fd < 0; ++attempt) {
        m_fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (m_fd < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (m_fd < 0) {
        m_error = node + ": " + std::strerror(errno);
        WriteAttribute(fs::path(m_root) / "UDC", "\n", m_error);
        return false;
    }
    return true;
}

void GadgetDevice::Destroy()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    std::string ignored;
    WriteAttribute(fs::path(m_root) / "UDC", "\n", ignored);
}

void GadgetDevice::Remove()
{
    Destroy();
    const fs::path root = m_root;
    if (!fs::exists(root))
        return;
    std::string ignored;
    if (!ReadAttribute(root / "UDC").empty())
        WriteAttribute(root / "UDC", "\n", ignored);
    // configfs takes its folders away one by one, the innermost first.
    std::error_code error;
    for (const fs::path& path : {root / "configs/c.1/hid.usb0", root / "configs/c.1/strings/0x409", root / "configs/c.1",
                                 root / "functions/hid.usb0", root / "strings/0x409", root})
        fs::remove(path, error);
    m_made = false;
}

bool GadgetDevice::ReadEvent(DeviceEvent& event)
{
    uint8_t report[ReportLength + 1];
    const ssize_t count = ::read(m_fd, report, sizeof report);
    if (count < 0) {
        m_error = m_identity.name + ": read from the gadget: " + std::strerror(errno);
        return false;
    }
    event = DeviceEvent{};
    event.kind = DeviceEvent::Kind::Output;
    event.data.assign(report, report + count);
    return true;
}

bool GadgetDevice::SendInput(const uint8_t* payload, std::size_t length)
{
    if (m_fd < 0)
        return Fail(m_identity.name + ": input report to a device that is unplugged");
    // The endpoint holds one report at a time: wait a little while the host takes the last one.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::write(m_fd, payload, std::min(length, ReportLength)) >= 0)
            return true;
        if (errno != EAGAIN)
            break;
        pollfd writable{m_fd, POLLOUT, 0};
        ::poll(&writable, 1, 20);
    }
    return Fail(m_identity.name + ": input report to the gadget: " + std::strerror(errno));
}

}  // namespace uhid
