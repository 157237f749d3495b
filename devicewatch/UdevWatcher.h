#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "devicewatch/DeviceEvent.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace devicewatch {

// The notification for one udev event: "add" and "remove" of a hidraw node become an arrival
// and a removal of a device interface whose path is the node (/dev/hidrawN), the path the
// board search lists for it, and whose identity comes from the node's sysfs device path
// (devpath, /devices/...). The path alone, as the sysfs attributes of the HID device above
// the node, is all that is left at a removal. Every other event gives none.
std::optional<DeviceEvent> TranslateUdevEvent(std::string_view action, const char* deviceNode,
                                              std::string_view subsystem, std::string_view devpath);

// Arrival and removal of hidraw nodes from a udev monitor, read on the UI thread whenever
// its socket has data.
class UdevWatcher final : public DeviceWatcher {
public:
    UdevWatcher() = default;
    ~UdevWatcher() override;
    UdevWatcher(const UdevWatcher&) = delete;
    UdevWatcher& operator=(const UdevWatcher&) = delete;

    bool Register(Handler handler) override;
    void Unregister() override;

    // Why the last Register failed, for a log line or a skipped test; empty otherwise.
    const std::string& LastError() const { return m_lastError; }

private:
    bool StartMonitor();
    void StopMonitor();
    void ReceiveEvents();

    Handler m_handler;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    int m_receiving = 0;  // depth of ReceiveEvents calls in progress
    std::string m_lastError;
};

}  // namespace devicewatch
