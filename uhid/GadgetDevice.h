#pragma once

#include <string>

#include "uhid/UhidDevice.h"

// The board as a USB HID gadget: a gadget made through configfs with the board's ids, serial
// number and report descriptor, bound to a USB device controller. On a machine whose controller
// is in peripheral mode the host at the other end of the cable sees a board; with dummy_hcd the
// machine itself is that host. Output reports arrive on /dev/hidgN as the payload without the
// report-id byte; input reports are written there.
namespace uhid {

// The USB device controllers there are (names under /sys/class/udc), sorted.
std::vector<std::string> DeviceControllers(const std::string& sysfsRoot = "/sys");

class GadgetDevice : public HidDevice {
public:
    // controller: the name under /sys/class/udc; empty for the only one there is. gadgetName:
    // the gadget's folder under the configfs usb_gadget folder.
    GadgetDevice(DeviceIdentity identity, std::string controller, std::string gadgetName);
    ~GadgetDevice() override;

    // The first call makes the gadget; every call binds it to the controller (a plug-in).
    bool Create() override;
    // Unbinds the gadget from its controller, as pulling the cable does.
    void Destroy() override;
    // Bound to its controller. A gadget unbound from outside (echo "" > UDC, as a test or a user
    // pulls it out) no longer exists, so that the next Create() binds it again.
    bool Exists() const override;
    int Fd() const override { return m_fd; }
    // Every read is one output report; a gadget has no start event of its own.
    bool ReadEvent(DeviceEvent& event) override;
    bool SendInput(const uint8_t* payload, std::size_t length) override;
    const DeviceIdentity& Identity() const override { return m_identity; }
    const std::string& Error() const override { return m_error; }
    // The controller the gadget is bound to, once Create() has chosen it.
    const std::string& Controller() const { return m_controller; }

private:
    bool Make();
    // Takes the gadget's folders out of configfs again (the gadget unbound first).
    void Remove();
    bool Fail(const std::string& message);

    DeviceIdentity m_identity;
    std::string m_controller;
    std::string m_root;  // the gadget's folder in configfs
    bool m_made = false;
    int m_fd = -1;
    std::string m_error;
};

}  // namespace uhid
