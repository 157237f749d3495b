#include "devicewatch/UdevWatcher.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "platform/linux/HidrawSysfs.h"

namespace devicewatch {

using namespace boardlink;

std::optional<DeviceEvent> TranslateUdevEvent(std::string_view action, const char* deviceNode,
                                              std::string_view subsystem, std::string_view devpath)
{
    if (subsystem != "hidraw" || deviceNode == nullptr || *deviceNode == '\0')
        return std::nullopt;
    uint32_t event = 0;
    if (action == "add")
        event = DeviceArrival;
    else if (action == "remove")
        event = DeviceRemoveComplete;
    else
        return std::nullopt;
    return DeviceEvent{event, DeviceNotification{DeviceTypeInterface, deviceNode, platform::HidrawDeviceIdentity(devpath)}};
}

std::unique_ptr<DeviceWatcher> NewSystemWatcher() { return std::make_unique<UdevWatcher>(); }

UdevWatcher::~UdevWatcher() { StopMonitor(); }

bool UdevWatcher::Register(Handler handler)
{
    // A monitor already running keeps its socket, so no event falls between the two
    // registrations; only the recipient changes.
    if (m_monitor == nullptr && !StartMonitor()) {
        m_handler = nullptr;
        return false;
    }
    m_handler = std::move(handler);
    m_lastError.clear();
    return true;
}

void UdevWatcher::Unregister()
{
    m_handler = nullptr;
    StopMonitor();
}

bool UdevWatcher::StartMonitor()
{
    auto fail = [this](const char* step, int error) {
        m_lastError = std::string("udev: ") + step + ": " + std::strerror(error);
        StopMonitor();
        return false;
    };
    m_udev = udev_new();
    if (m_udev == nullptr)
        return fail("cannot create a context", errno);
    // The "udev" source sends events after udev has created the device node, so the node's
    // path is final when the notification arrives.
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor == nullptr)
        return fail("cannot create a monitor", errno);
    if (const int rc = udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr); rc < 0)
        return fail("cannot filter on subsystem hidraw", -rc);
    if (const int rc = udev_monitor_enable_receiving(m_monitor); rc < 0)
        return fail("cannot receive events", -rc);
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, [this] { ReceiveEvents(); });
    return true;
}

void UdevWatcher::StopMonitor()
{
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
        // A handler may end the registration from inside the notifier's own signal.
        if (m_receiving > 0)
            m_notifier->deleteLater();
        else
            delete m_notifier;
        m_notifier = nullptr;
    }
    if (m_monitor != nullptr)
        m_monitor = udev_monitor_unref(m_monitor);
    if (m_udev != nullptr)
        m_udev = udev_unref(m_udev);
}

void UdevWatcher::ReceiveEvents()
{
    ++m_receiving;
    // The socket is non-blocking: take every event queued, then wait for the next signal.
    while (m_monitor != nullptr) {
        udev_device* device = udev_monitor_receive_device(m_monitor);
        if (device == nullptr)
            break;
        const char* action = udev_device_get_action(device);
        const char* subsystem = udev_device_get_subsystem(device);
        const char* devpath = udev_device_get_devpath(device);
        const std::optional<DeviceEvent> translated =
            TranslateUdevEvent(action != nullptr ? action : "", udev_device_get_devnode(device),
                               subsystem != nullptr ? subsystem : "", devpath != nullptr ? devpath : "");
        udev_device_unref(device);
        if (translated && m_handler) {
            // The handler may register anew (the board search does), replacing m_handler
            // while it runs: call a copy.
            const Handler handler = m_handler;
            handler(translated->event, translated->notification);
        }
    }
    --m_receiving;
}

}  // namespace devicewatch
