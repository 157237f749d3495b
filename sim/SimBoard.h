#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The firmware of the simulated Morvane board: a 64 KiB flash, the 128-byte memory window
// at 0xFF80 (page buffer of flash writes, capture after JtagCapture), programming mode and
// boundary-scan test mode. It answers one command report with one reply report.
namespace sim {

inline constexpr std::size_t FlashSize = 64 * 1024;
inline constexpr std::size_t WindowSize = 128;
inline constexpr uint16_t WindowAddress = 0xFF80;
inline constexpr std::size_t PageSize = 128;
// A capture is 640 bits, three per boundary-scan cell group: groups 0..212 fit.
inline constexpr std::size_t CaptureSize = 80;
inline constexpr std::size_t CellGroupCount = CaptureSize * 8 / 3 + 1;
// The longest reply report: the board link takes none longer than 256 bytes.
inline constexpr std::size_t ReplyCapacity = 256;

// Status characters the firmware answers with.
inline constexpr uint8_t StatusOk = 'R';
inline constexpr uint8_t StatusReadOk = 'S';
inline constexpr uint8_t StatusRefused = 'E';
inline constexpr uint8_t StatusUnknownCommand = 'U';

// What a boundary-scan cell group does with its pin.
enum class PinDrive : uint8_t { Released, High, Low };

class SimBoard {
public:
    SimBoard();

    // One reply report, report-id byte first: its first `length` bytes.
    struct Reply {
        std::array<uint8_t, ReplyCapacity> bytes{};
        std::size_t length = 0;
    };
    // Carries out one command (report-id byte first) and returns the reply report of
    // replyLength bytes (at most ReplyCapacity).
    Reply Execute(const uint8_t* command, std::size_t commandLength, std::size_t replyLength);

    std::array<uint8_t, FlashSize>& Flash() { return m_flash; }
    const std::array<uint8_t, FlashSize>& Flash() const { return m_flash; }
    bool InProgrammingMode() const { return m_programmingMode; }
    bool InTestMode() const { return m_testMode; }

    // Writes a fresh information block: serial number, date, programming cycles, file name.
    struct Info {
        uint16_t serial = 42;
        uint8_t month = 11, day = 28, year = 26, hour = 9, minute = 30, second = 5;
        uint32_t cycles = 7;
        const char* fileName = "/home/student/morvane/blink.rbf";
    };
    void WriteInfoBlock(const Info& info);

    // Boundary-scan model, by cell group: what drives each pin, and the level an
    // undriven pin reads (its pull-up unless something outside the board pulls it).
    void SetJtagChainEnabled(bool enabled) { m_jtagChainEnabled = enabled; }
    bool JtagChainEnabled() const { return m_jtagChainEnabled; }
    void SetExternalLevel(std::size_t cellGroup, bool high) { m_externalLevel.at(cellGroup) = high; }
    // The 640-bit capture of all cell groups as the chain would shift it out now.
    std::array<uint8_t, CaptureSize> Capture() const;

    // Faults, each until cleared unless it says "next".
    void RefusePage(std::optional<uint16_t> flashAddress) { m_refusedPage = flashAddress; }
    void RefuseRelease(bool refuse) { m_refuseRelease = refuse; }
    void RefuseNextCapture() { m_refuseNextCapture = true; }
    // The next command of any kind is not carried out and is answered 'E': a WriteMemory
    // leaves the memory window as it was, a ProgramPage the flash.
    void RefuseNextCommand() { m_refuseNextCommand = true; }
    // Every reply to this command carries this status instead of the firmware's own.
    void OverrideStatus(uint8_t command, std::optional<uint8_t> status);

private:
    uint8_t ReadMemory(uint16_t address, std::size_t length, uint8_t* out) const;
    uint8_t WriteMemory(uint16_t address, std::size_t length, const uint8_t* data);
    uint8_t ProgramMode(uint8_t mode);
    uint8_t ProgramPage(const uint8_t* data);
    uint8_t JtagCapture();
    uint8_t DriveCellGroup(uint8_t cellGroup, PinDrive drive);
    uint8_t DriveAll(PinDrive drive);
    uint8_t LeaveTestMode();

    std::array<uint8_t, FlashSize> m_flash{};
    std::array<uint8_t, WindowSize> m_window{};
    bool m_programmingMode = false;
    bool m_testMode = false;
    bool m_jtagChainEnabled = true;
    std::array<PinDrive, CellGroupCount> m_drive{};
    std::array<bool, CellGroupCount> m_externalLevel{};

    std::optional<uint16_t> m_refusedPage;
    bool m_refuseRelease = false;
    bool m_refuseNextCapture = false;
    bool m_refuseNextCommand = false;
    std::array<std::optional<uint8_t>, 256> m_statusOverride{};
};

}  // namespace sim
