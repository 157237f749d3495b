#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Arrival and removal of HID device interfaces, as a device-change handler (the main window's)
// receives them. On Linux a udev monitor (UdevWatcher); in tarvik-sim the simulated
// board's plug and unplug.
namespace boardlink {

inline constexpr uint32_t DeviceArrival = 0x8000;
inline constexpr uint32_t DeviceRemoveComplete = 0x8004;
inline constexpr uint32_t DeviceTypeInterface = 5;

struct DeviceNotification {
    uint32_t deviceType = DeviceTypeInterface;
    std::string devicePath;
    // The device's identity as the board search records it (HidInterfaceInfo::identity),
    // taken when the event happened; empty when the source cannot tell. A device path may be
    // given to another device once the first is gone; the identity is not.
    std::string deviceIdentity{};
};

class DeviceWatcher {
public:
    using Handler = std::function<void(uint32_t event, const DeviceNotification& notification)>;

    virtual ~DeviceWatcher() = default;
    // Starts delivering notifications to handler, replacing an earlier registration.
    // Returns false when the platform refuses; nothing is delivered then.
    virtual bool Register(Handler handler) = 0;
    virtual void Unregister() = 0;
};

}  // namespace boardlink
