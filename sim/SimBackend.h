#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/HidBackend.h"
#include "sim/Faults.h"
#include "sim/SimBoard.h"

namespace sim {

// The faults a sweep injects at every exchange.
inline constexpr LinkFault AllLinkFaults[] = {LinkFault::NoReply,       LinkFault::LateReply, LinkFault::WriteFails,
                                              LinkFault::Refused,       LinkFault::GarbledStatus,
                                              LinkFault::Unplug,        LinkFault::DropOut,   LinkFault::Hang};

// The simulated Morvane board behind the same device interface as the real one. Besides
// the board it can list other HID devices (which never answer), and it injects the faults
// tests and the simulated board's window ask for. A read that would time out returns at
// once and advances a simulated clock, so a test never waits out the 6000 ms limit; with
// real timing on it waits out its limit as the real board's link does.
class SimBackend final : public boardlink::HidBackend {
public:
    // The board's report descriptor: one vendor-defined collection with a 64-byte input
    // and a 64-byte output report and no report ids, so 65 bytes each with the id byte.
    static const std::vector<uint8_t>& BoardReportDescriptor();
    static constexpr uint16_t ReportByteLength = 65;
    static constexpr const char* DefaultBoardPath = "/dev/hidraw-sim0";

    struct OtherDevice {
        std::string path;
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        boardlink::HidCaps caps{};
        std::string identity{};  // empty: PortIdentity of its path, vendor and product
        boardlink::UsbPort port{};
    };

    // The identity of a simulated device: each path is a port of its own, and the identity
    // names the port and the device's vendor and product id. As on a real machine, the board
    // plugged into the same port again has the same identity, and another device at the
    // board's old path another one.
    static std::string PortIdentity(const std::string& path, uint16_t vendorId, uint16_t productId);

    SimBackend();

    SimBoard& Board() { return m_board; }

    // The board held still while its own window changes it on the UI thread and a board
    // operation runs on a worker: every device call below takes this lock too, and lets it
    // go while it waits out a report's USB frame or a read's time limit, so the window never
    // waits for a board that does not answer. Held by one thread at a time, any number of
    // times over.
    std::unique_lock<std::recursive_mutex> Hold() const { return std::unique_lock(m_mutex); }

    // Plugging: the board is listed at its path while plugged, with the given identity (empty:
    // PortIdentity of the path).
    void Plug(const std::string& path = DefaultBoardPath, const std::string& identity = {});
    void Unplug();
    bool Plugged() const { return m_plugged; }
    // The USB port the board is listed at (none by default: its place in the listing alone
    // orders it).
    void SetPort(boardlink::UsbPort port);
    const std::string& BoardPath() const { return m_boardPath; }
    const std::string& BoardIdentity() const { return m_boardIdentity; }
    // Another device listed before the board (inFront) or after it.
    void AddOtherDevice(const OtherDevice& device, bool inFront = true);

    // What the board declares of itself; tests change it to try odd boards.
    void SetBoardCaps(const boardlink::HidCaps& caps) { m_boardCaps = caps; }
    // Opens of the board's node for reading or writing fail, as without permission to the
    // node; queries still work, as they need no access to it.
    void RefuseAccess(bool refuse) { m_refuseAccess = refuse; }

    // Faults of the link.
    void FailNextWrite() { InjectFault(LinkFault::WriteFails); }
    // The reply to the exchange after the next `exchanges` ones is lost (0: the next one).
    void DropNextReply(std::size_t exchanges = 0) { InjectFault(LinkFault::NoReply, exchanges); }
    // After this many more exchanges the board stops answering (reads time out).
    void StopAnsweringAfter(std::optional<std::size_t> exchanges) { m_answersLeft = exchanges; }
    // One fault at the exchange that many exchanges from now (0: the next one); exchanges
    // are counted as commands sent to the board, failed sends included.
    void InjectFault(LinkFault fault, std::size_t exchanges = 0) { m_faults.Add(fault, m_faultWrites + exchanges + 1); }
    // The faults planned by exchange number (each write to the board counts, the first is 1).
    FaultPlan& Faults() { return m_faults; }
    // Real time each exchange takes, to model the USB frames of a real board.
    void SetLatencyMicroseconds(unsigned microseconds) { m_latencyUs = microseconds; }
    // Real USB timing: each report takes at least one 1 ms USB frame each way, as on a
    // full-speed board, and a read that gets no reply waits out its whole time limit.
    void SetRealTiming(bool on) { m_realTiming = on; }
    bool RealTiming() const { return m_realTiming; }

    // What went over the link, for tests.
    // The reports received and sent while recording, oldest first. The record is bounded: once
    // it holds 2 * MaxRecordedReports, the older half is dropped.
    static constexpr std::size_t MaxRecordedReports = 16384;
    const std::vector<std::vector<uint8_t>>& Received() const { return m_received; }
    const std::vector<std::vector<uint8_t>>& Sent() const { return m_sent; }
    void ClearRecord();
    // Long runs that need no record of the reports switch it off; the count stays.
    void SetRecording(bool recording) { m_recording = recording; }
    // Commands the board has received.
    std::size_t ExchangeCount() const { return m_exchanges; }
    uint64_t ElapsedMs() const { return m_elapsedMs; }
    std::size_t OpenHandleCount() const { return m_handles.size(); }
    // Every path opened, in order, whatever the access.
    const std::vector<std::string>& OpenedPaths() const { return m_openedPaths; }

    std::vector<boardlink::HidInterfaceInfo> EnumerateInterfaces() override;
    boardlink::HidHandle Open(const std::string& path, boardlink::HidAccess access) override;
    bool GetAttributes(boardlink::HidHandle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(boardlink::HidHandle handle, boardlink::HidCaps& caps) override;
    bool Write(boardlink::HidHandle handle, const uint8_t* report, std::size_t length) override;
    boardlink::HidReadResult Read(boardlink::HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) override;
    void Cancel(boardlink::HidHandle handle) override;
    void Drain(boardlink::HidHandle handle) override;
    void Close(boardlink::HidHandle handle) override;
    std::string LastError() const override { return m_lastError; }

private:
    struct OpenHandle {
        std::string path;
        boardlink::HidAccess access;
    };
    bool IsBoard(const std::string& path) const { return m_plugged && path == m_boardPath; }
    const OtherDevice* FindOther(const std::string& path) const;
    const OpenHandle* FindHandle(boardlink::HidHandle handle) const;
    void Pace() const;
    // The fault that hits the exchange being sent now, if any.
    std::optional<LinkFault> TakeFault();
    static void Record(std::vector<std::vector<uint8_t>>& record, const uint8_t* report, std::size_t length);

    mutable std::recursive_mutex m_mutex;
    SimBoard m_board;
    bool m_plugged = true;
    std::string m_boardPath = DefaultBoardPath;
    std::string m_boardIdentity;
    boardlink::UsbPort m_port;
    boardlink::HidCaps m_boardCaps;
    std::vector<OtherDevice> m_othersInFront;
    std::vector<OtherDevice> m_othersBehind;
    bool m_refuseAccess = false;

    std::map<boardlink::HidHandle, OpenHandle> m_handles;
    boardlink::HidHandle m_nextHandle = 1;
    // Input reports the board has sent and no read has taken yet, oldest first.
    std::vector<SimBoard::Reply> m_inputQueue;
    // A reply on its way that arrives only once the read waiting for it has given up.
    std::optional<SimBoard::Reply> m_lateReply;
    // Enumerations left before a board that dropped out is listed again.
    std::optional<int> m_dropOutEnumerations;

    std::optional<std::size_t> m_answersLeft;
    unsigned m_latencyUs = 0;
    std::atomic<bool> m_realTiming = false;
    FaultPlan m_faults;
    uint64_t m_faultWrites = 0;  // writes that reached the board, counted for the plan
    bool m_hung = false;

    std::vector<std::string> m_openedPaths;
    bool m_recording = true;
    std::size_t m_exchanges = 0;
    std::vector<std::vector<uint8_t>> m_received;
    std::vector<std::vector<uint8_t>> m_sent;
    uint64_t m_elapsedMs = 0;
    std::string m_lastError;
};

}  // namespace sim
