#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/BackendDecorator.h"
#include "link/HidBackend.h"

// The few calls the command-line tool makes into the core, in one place: one board
// reached through its own board link, and the pin tables and texts the tool prints.
namespace cli {

using HidBackend = boardlink::HidBackend;
using BackendDecorator = boardlink::BackendDecorator;
using HidInterfaceInfo = boardlink::HidInterfaceInfo;
using HidAccess = boardlink::HidAccess;
using HidHandle = boardlink::HidHandle;
using HidCaps = boardlink::HidCaps;
using HidReadResult = boardlink::HidReadResult;
inline constexpr auto InvalidHidHandle = boardlink::InvalidHidHandle;

inline constexpr std::size_t InfoBlockBytes = 256;
inline constexpr std::size_t FlashPageBytes = 128;
inline constexpr std::size_t CaptureBytes = 80;
inline constexpr int HeaderPositions = 80;
using InfoBlock = std::array<uint8_t, InfoBlockBytes>;
using FlashPage = std::array<uint8_t, FlashPageBytes>;
using PinCapture = std::array<uint8_t, CaptureBytes>;

// The configuration area: byte k of a file lies at flash address ConfigAreaStart + k, and
// at most ConfigFileLimit bytes of a file are used.
extern const unsigned ConfigAreaStart;
extern const std::size_t ConfigAreaBytes;
extern const std::size_t ConfigFileLimit;

// What the core tells about one board while it works on it.
struct BoardEvents {
    std::function<void(const std::string&)> logLine;
    std::function<void(int position, int upper)> progress;
};

enum class DownloadVerdict { FileRefused, FileNotOpened, FlashUpdateFailed, ConfigurationFailed, Configured };

struct DownloadReport {
    DownloadVerdict verdict = DownloadVerdict::FileNotOpened;
    std::string message;  // what the window shows in a message box, when it shows one
    // The board's texts afterwards, as the window shows them after a download.
    std::string serialText, lastProgrammedText, cyclesText;
};

enum class PinLevel { High, Low, HiZ };

// One board through a board link of its own, on a device layer on which this board is the
// only board. One operation at a time on a board; boards work side by side.
class Board {
public:
    Board(HidBackend& backend, std::string node);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    const std::string& Node() const { return m_node; }
    void SetEvents(BoardEvents events) { m_events = std::move(events); }
    // The lines the core logged for this board since the last call.
    std::vector<std::string> TakeLog();

    // Both information block pages; nullopt unless the board answered every read.
    std::optional<InfoBlock> ReadInfoBlock();
    // hold: the FPGA is held for flash access; released, it configures from flash.
    bool SetProgrammingMode(bool hold);
    bool ReadFlashPage(unsigned address, FlashPage& page);
    bool WriteFlashPage(unsigned address, const FlashPage& page);
    bool JtagChainUsable();
    // The window's download of the file named by fileText (a blank board takes the number
    // the text begins with).
    DownloadReport Download(const std::string& fileText);
    std::optional<PinCapture> CapturePins();
    // Each true when the board answered the command as done.
    bool DrivePin(uint8_t cellGroup, PinLevel level);
    bool DriveAll(bool high);
    bool LeaveTestMode();

private:
    class Link;
    void Logged(const std::string& line);
    void Progressed(int position, int upper);

    std::string m_node;
    BoardEvents m_events;
    std::vector<std::string> m_log;
    std::unique_ptr<Link> m_link;
};

// The information block's fields and the texts the window shows for them on attach.
uint16_t SerialOf(const InfoBlock& block);
uint32_t CyclesOf(const InfoBlock& block);
std::string FileNameOf(const InfoBlock& block);
std::string SerialTextOf(const InfoBlock& block);
std::string LastProgrammedTextOf(const InfoBlock& block);

// The pin tables and the decoding of a capture.
int HeaderPinAt(int position);
std::optional<int> HeaderPositionOfPin(int pinNumber);
uint8_t CellGroupOfPin(int pinNumber);
char PinStateAt(const PinCapture& capture, int position);
// The window's capture listing, lines ending in "\r\n".
std::string CaptureListingOf(const PinCapture& capture);

// The first file bytes as the download reads them into the configuration area (at most
// ConfigFileLimit); nullopt when the file cannot be read.
std::optional<std::size_t> ReadConfigFile(const std::string& path, std::span<uint8_t> area);

// The board command's name ("ReadMemory", "JtagCapture", ...), or its code in hex.
std::string CommandName(uint8_t command);

// The udev rule that lets the logged-in user open the board's node.
std::string BoardUdevRule();

// Whether a listed HID interface is a Morvane board, by its vendor and product id.
bool IsMorvaneBoard(const HidInterfaceInfo& info);

}  // namespace cli
