#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One HID device created from user space through the kernel's /dev/uhid: while it exists,
// the kernel, udev and hidapi see it like a device on the bus it names.
namespace uhid {

inline constexpr uint16_t BusUsb = 3;

struct DeviceIdentity {
    std::string name;
    std::string uniq;  // the serial number string hidapi reports
    uint16_t bus = BusUsb;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::vector<uint8_t> reportDescriptor;
};

// What the kernel asks of the device.
struct DeviceEvent {
    enum class Kind { Started, Stopped, Output, Other };
    Kind kind = Kind::Other;
    std::vector<uint8_t> data;  // the output report as it arrived
};

// A HID device the virtual board appears as: through /dev/uhid (UhidDevice) or as a USB gadget on
// a device controller (GadgetDevice). Create() plugs it in, Destroy() unplugs it.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    virtual bool Create() = 0;
    virtual void Destroy() = 0;
    virtual bool Exists() const = 0;
    // The descriptor to poll for events; -1 while the device does not exist.
    virtual int Fd() const = 0;
    virtual bool ReadEvent(DeviceEvent& event) = 0;
    // Sends one input report, payload only (the device numbers no reports).
    virtual bool SendInput(const uint8_t* payload, std::size_t length) = 0;
    virtual const DeviceIdentity& Identity() const = 0;
    virtual const std::string& Error() const = 0;
};

class UhidDevice : public HidDevice {
public:
    explicit UhidDevice(DeviceIdentity identity) : m_identity(std::move(identity)) {}
    ~UhidDevice() override;
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Opens /dev/uhid and creates the device; false with Error() naming the cause.
    bool Create() override;
    // Removes the device from the kernel, as an unplug does; Create() plugs it in again.
    void Destroy() override;
    bool Exists() const override { return m_fd >= 0; }
    int Fd() const override { return m_fd; }

    // Reads one event; false when none could be read (Error() says why).
    bool ReadEvent(DeviceEvent& event) override;
    bool SendInput(const uint8_t* payload, std::size_t length) override;

    const DeviceIdentity& Identity() const override { return m_identity; }
    const std::string& Error() const override { return m_error; }

private:
    bool WriteEvent(const void* event, std::size_t length, const char* what);
    // Answers a feature report request with an error: the board has none.
    void RefuseFeatureReport(uint32_t replyType, uint32_t id);

    DeviceIdentity m_identity;
    int m_fd = -1;
    std::string m_error;
};

// The hidraw node (/dev/hidrawN) the kernel gave the device with this uniq and identity, read
// from sysfs; empty while there is none yet.
std::string FindHidrawNode(const DeviceIdentity& identity, const std::string& sysfsRoot = "/sys");

}  // namespace uhid
