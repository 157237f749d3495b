#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The device layer beneath the board link: the real board over hidraw (HidapiBackend)
// and the simulated board (SimBackend) both implement it, so the board link's logic
// is written once.
namespace boardlink {

// Where a device is plugged in: the USB bus, then the port numbers down the chain of hubs
// ("1-2.3" is bus 1, port 2, hub port 3). Devices sorted by it come in the order of their
// sockets, which is how a lab numbers its places. Empty when the platform cannot tell.
using UsbPort = std::vector<int>;

// One HID top-level collection as the platform lists it.
struct HidInterfaceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    // What tells this device from another one later given the same path, in the form the
    // device watcher reports it (DeviceNotification::deviceIdentity); empty when the
    // platform cannot tell.
    std::string identity{};
    UsbPort port{};
};

// What the board link uses of a device's HID capabilities. The two lengths are counted
// as Windows counts them: the largest report payload plus the report-id byte.
struct HidCaps {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
};

// The three ways the board link opens a device: for queries only, for output reports,
// for input reports.
enum class HidAccess { Query, Write, Read };

using HidHandle = int;
inline constexpr HidHandle InvalidHidHandle = -1;

enum class HidReadResult { Arrived, TimedOut, Failed };

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // The HID interfaces present now, in the platform's enumeration order.
    virtual std::vector<HidInterfaceInfo> EnumerateInterfaces() = 0;
    // InvalidHidHandle on failure; LastError() then says why.
    virtual HidHandle Open(const std::string& path, HidAccess access) = 0;
    virtual bool GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId) = 0;
    virtual bool GetCaps(HidHandle handle, HidCaps& caps) = 0;
    // Sends one whole output report, report-id byte first. Blocks without a limit.
    virtual bool Write(HidHandle handle, const uint8_t* report, std::size_t length) = 0;
    // Receives one whole input report into buffer, waiting at most timeoutMs.
    virtual HidReadResult Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) = 0;
    virtual void Cancel(HidHandle handle) = 0;
    // Discards the input reports that have arrived on handle and not been read, without
    // waiting for more: replies that came after their read had given up.
    virtual void Drain(HidHandle handle) = 0;
    virtual void Close(HidHandle handle) = 0;
    // The platform's text for the last failing call, for log lines that name the cause.
    virtual std::string LastError() const = 0;
};

}  // namespace boardlink
