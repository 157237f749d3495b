#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimBoard.h"
#include "uhid/ExchangeFaults.h"
#include "uhid/UhidDevice.h"

// A Morvane board made of the simulated board's firmware model behind a real HID device
// (uhid), and optionally a mouse beside it: the kernel, udev and every program on the
// machine see them as devices on the USB bus.
namespace uhid {

using Clock = std::chrono::steady_clock;

// The command report (report-id byte first) carried by an output report as it arrives from
// the kernel. A USB host driver strips the report id 0 of a device without numbered reports;
// uhid passes it on, so an output report one byte longer than the payload with a leading 0
// has it removed here. Then the payload goes behind an id byte of 0, cut or padded to
// payloadLength.
std::vector<uint8_t> CommandFromOutput(const std::vector<uint8_t>& output, std::size_t payloadLength);

// The boot-protocol mouse's report descriptor: three buttons, X and Y.
const std::vector<uint8_t>& MouseReportDescriptor();

struct VirtualBoardOptions {
    std::string uniq = "MRV-0001";
    std::chrono::milliseconds lateReply{7000};  // beyond the host's 6000 ms
    std::chrono::milliseconds latency{0};
    std::optional<uint64_t> replugAfter;  // exchanges, counted from the start
    // Appear as a USB gadget on a device controller instead of through /dev/uhid; udc names the
    // controller (empty: the only one there is).
    bool gadget = false;
    std::string udc;
};

class VirtualBoard {
public:
    // Lines for the person or test driving the board: "board plugged /dev/hidraw0", ...
    using Reporter = std::function<void(const std::string& line)>;

    VirtualBoard(VirtualBoardOptions options, Reporter reporter);

    sim::SimBoard& Model() { return m_model; }
    ExchangeFaultPlan& Faults() { return m_faults; }
    uint64_t Exchanges() const { return m_exchanges; }

    bool PlugBoard();
    void UnplugBoard();
    bool BoardPlugged() const { return m_board->Exists(); }
    bool PlugMouse();
    void UnplugMouse();

    // The descriptors to poll; -1 for a device that is unplugged.
    int BoardFd() const { return m_board->Fd(); }
    int MouseFd() const { return m_mouse.Fd(); }
    // Handle what the kernel has for each device.
    void OnBoardReadable(Clock::time_point now);
    void OnMouseReadable();

    // Replies waiting for their time: how long until the next is due (nullopt: none waits),
    // and sending those that are due.
    std::optional<std::chrono::milliseconds> UntilNextReply(Clock::time_point now) const;
    void SendDueReplies(Clock::time_point now);

    // Writes the whole 64 KiB flash to path; false with the reason in error.
    bool DumpFlash(const std::string& path, std::string& error) const;

    const std::string& LastError() const { return m_error; }

private:
    void Exchange(const std::vector<uint8_t>& output, Clock::time_point now);
    void ReportStarted(const HidDevice& device, const char* what);
    void Reply(std::vector<uint8_t> reply, Clock::time_point due, bool late = false);

    struct PendingReply {
        Clock::time_point due;
        uint64_t plugCount;  // a reply never outlives the plug-in it was made for
        std::vector<uint8_t> payload;
        uint64_t exchange;
        bool late;  // said when sent, so a test can wait for it
    };

    VirtualBoardOptions m_options;
    Reporter m_report;
    sim::SimBoard m_model;
    std::unique_ptr<HidDevice> m_board;
    UhidDevice m_mouse;
    ExchangeFaultPlan m_faults;
    uint64_t m_exchanges = 0;
    uint64_t m_plugCount = 0;
    bool m_hung = false;
    std::vector<PendingReply> m_pending;
    std::string m_error;
};

}  // namespace uhid
