#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "board/InfoBlock.h"
#include "board/LocalTime.h"
#include "pins/PinState.h"

namespace boardlink {
class HidBackend;
class Reporter;
struct DeviceNotification;
}  // namespace boardlink

// One board and every operation on it. Each operation answers with its data or a typed
// failure; what happens during a long operation goes to the board's observer as events.
// Front ends (the main window, the test dialog, tarvik-cli) turn both into their own lines,
// boxes and exit codes; nothing here is text meant to be read back.
namespace board {

// Why an operation did not give what it was asked for.
enum class FailureKind {
    NoBoard,         // no board is attached
    CannotOpen,      // a board is there but its node may not be opened (node, cause, fix)
    NoReply,         // a command was sent and no reply came back in time
    NotDone,         // the board replied with a status other than the one expected (status)
    Refused,         // the board refused the command (a capture that did not occur)
    ChainNotUsable,  // the board answered that its boundary-scan chain is not usable
    FileRefused,     // the configuration file cannot be used (cause: the system's own words or why)
    Stopped,         // the caller asked the operation to stop; it stopped between pages
};

// Why a file was refused (FileRefused), for a front end that words it its own way.
enum class FileProblem {
    CannotOpen,  // the system refused it (cause: its words), or it is not a regular file
    Empty,       // it holds no byte
    TooLong,     // longer than the configuration area, with more than erased-flash padding
};

struct Failure {
    FailureKind kind = FailureKind::NoReply;
    // The board command whose exchange failed (0 when none was sent).
    uint8_t command = 0;
    // NotDone: the status byte the board answered with.
    uint8_t status = 0;
    // CannotOpen: the board's node; empty otherwise.
    std::string node;
    // CannotOpen: the system's reason; FileRefused: why the file cannot be used, in the
    // system's words when the system refused it ("No such file or directory", "Is a
    // directory", "Permission denied") or the board's limits otherwise.
    std::string cause;
    // CannotOpen: how to mend it (the rule file to install).
    std::string fix;
    // FileRefused: what is wrong with the file, and its length in bytes (TooLong).
    FileProblem file = FileProblem::CannotOpen;
    uint64_t fileBytes = 0;
};

// The data of an operation, or why there is none.
template <class T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    Result(Failure failure) : m_value(std::move(failure)) {}  // NOLINT(google-explicit-constructor)

    bool Ok() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return Ok(); }
    const T& Value() const { return std::get<T>(m_value); }
    T& Value() { return std::get<T>(m_value); }
    const T& operator*() const { return Value(); }
    const T* operator->() const { return &Value(); }
    const Failure& Error() const { return std::get<Failure>(m_value); }

private:
    std::variant<T, Failure> m_value;
};

// The value of an operation that gives nothing but its success.
struct Done {};

// The date and time of the last programming as the information block stores them.
struct ProgrammingDate {
    int month = 0, day = 0, year = 0;  // year in full (2000 + stored byte)
    int hour = 0, minute = 0, second = 0;
};

// The information block as data; each field unknown when the board did not give it.
struct BoardInfo {
    std::optional<uint16_t> serial;  // 0: a blank board without its number
    std::optional<ProgrammingDate> lastProgrammed;
    std::optional<uint32_t> cycles;
    // The stored name's bytes up to its zero byte, as stored (not necessarily UTF-8).
    std::optional<std::string> fileName;
};

// Fields of a block that arrived whole.
BoardInfo InfoOf(const InfoBlock& block);

// The information block as far as its six reads came back, for a front end that shows each
// field it can. A field is answered when every read that carries it got a reply, whatever
// its status; read when every such reply answered as a read.
struct InfoRead {
    BoardInfo answered;
    BoardInfo read;
    // The first of the reads that did not answer as a read; nullopt when the block came
    // back whole.
    std::optional<Failure> failure;
};

// Where the first difference between the file and the board's flash lies.
struct Mismatch {
    unsigned address = 0;  // flash address
    uint8_t expected = 0;  // the file's byte
    uint8_t found = 0;     // the board's byte
};

// A read-back: nullopt when the flash holds the file.
using Comparison = std::optional<Mismatch>;

// How a download that reached the board ended.
enum class DownloadEnd {
    Configured,           // every page went in and the FPGA configured on release
    ConfigurationFailed,  // every page went in, but the FPGA did not configure on release
    FlashUpdateFailed,    // a page was not programmed; later pages were not sent
    Stopped,              // the caller asked to stop; the board holds a partial configuration
};

// What the download did to the information block.
enum class BlockEnd {
    Written,   // the new record is on the board
    NotRead,   // it did not arrive whole and was left alone
    ReadBack,  // its write failed; read back, it holds what info says
    Unknown,   // its write failed and it could not be read back
};

struct DownloadResult {
    DownloadEnd end = DownloadEnd::FlashUpdateFailed;
    BlockEnd block = BlockEnd::Written;
    BoardInfo info;         // the information block afterwards (as far as known)
    std::size_t fileBytes = 0;  // bytes of the file used
    // FlashUpdateFailed / ConfigurationFailed: the failure of the exchange that ended it.
    std::optional<Failure> failure;
    // An information block write that failed (the blank board's number or the record),
    // whatever its read-back found; block then tells what the board holds.
    std::optional<Failure> blockFailure;
    // The check of the boundary-scan chain at the end: Done, ChainNotUsable or NoReply.
    std::optional<Failure> chain;

    // Every page went to the flash, whether or not the FPGA came up from it: a read-back
    // is worth doing.
    bool EveryPageWritten() const { return end == DownloadEnd::Configured || end == DownloadEnd::ConfigurationFailed; }
};

// Pin levels a pin can be driven to.
enum class PinLevel { High, Low, HiZ };

// Events of a long operation as they happen, for a front end that writes its lines then.
// Called on the thread that runs the operation.
class BoardObserver {
public:
    virtual ~BoardObserver() = default;
    // The download read the file: bytes of it go to the board.
    virtual void FileRead(std::size_t /*bytes*/) {}
    // Pages of the configuration area: done out of total bytes.
    virtual void Progress(std::size_t /*done*/, std::size_t /*total*/) {}
    // The information block was not read whole and is left as it is.
    virtual void BlockNotRead() {}
    // A blank board was given its number.
    virtual void SerialGiven(uint16_t /*serial*/) {}
    // An information block write failed; readBack the block then read, nullopt when it
    // could not be read back either.
    virtual void BlockWriteFailed(const std::optional<BoardInfo>& /*readBack*/) {}
    // The flash work ended (before the chain check), as the end of the download says.
    virtual void FlashEnded(DownloadEnd /*end*/) {}
    // Whether the operation should stop after the page in flight (asked between pages).
    virtual bool StopRequested() { return false; }
};

// One board through its own board link. One operation at a time on a board, from one
// thread at a time; boards work side by side.
class Board {
public:
    explicit Board(boardlink::HidBackend& backend, const Clock& clock = SystemTime);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // Where events go (none: nobody listens). The observer outlives the operation.
    void SetObserver(BoardObserver* observer);
    // Where the link's own log lines go (none: nowhere): a node that may not be opened, a
    // write that failed, a reply that did not come.
    void SetReporter(boardlink::Reporter* reporter);
    // Called on the operation's thread each time a search finds the board, before it is opened.
    void SetBoardFoundHandler(std::function<void()> handler);
    // The board at this device path only (a board chosen among several); without one, the
    // first board in USB port order.
    void SetPlace(std::string node);

    // The board's node from the last search that found it.
    const std::string& Node() const;
    // Whether the board is known to be there: found by the last search and not failed or
    // detached since.
    bool Found() const;
    // Whether a device notification concerns this board (its identity, else its node).
    bool IsBoardNotification(const boardlink::DeviceNotification& notification) const;
    // The board has gone: the next operation searches for it again.
    void ForgetBoard();

    // Both information block pages, page 0 first; both are read whatever the first gave.
    Result<InfoBlock> ReadInfoBlock();
    // The same six reads, answering with every field that came back.
    InfoRead ReadInfo();
    // hold: the FPGA is held for flash access; released, it configures from flash.
    Result<Done> SetProgrammingMode(bool hold);
    Result<Done> ReadFlashPage(unsigned address, std::span<uint8_t, FlashPageSize> page);
    Result<Done> WritePage(unsigned address, std::span<const uint8_t, FlashPageSize> page);

    // Downloads the file at path: a blank board first takes serial, when one is given. A file
    // that cannot be used is refused (FileRefused) before anything but the blank board's
    // number is sent; the serial number is given even when the file cannot be opened.
    Result<DownloadResult> Download(const std::string& path, std::optional<uint16_t> serial = std::nullopt);
    // Reads the configuration area back and compares it with what a download of the file
    // writes there: the file's bytes, erased flash (0xFF) after them.
    Result<Comparison> ReadBack(const std::string& path);
    // Gives a blank board its number (page 0 rewritten with it); when the write failed
    // the block is read back and the failure tells what the board holds via the observer.
    Result<BoardInfo> GiveSerialNumber(uint16_t serial);

    Result<pins::Capture> CapturePins();
    Result<Done> DrivePin(int pinNumber, PinLevel level);
    Result<Done> DriveAll(bool high);
    Result<Done> LeaveTestMode();
    // Done when the board answered that its boundary-scan chain is usable.
    Result<Done> CheckChain();

    // Reading a configuration back out of the board.
    // The configuration the board holds, as the bytes of the file whose download writes it:
    // the configuration area read page by page (progress to the observer), with the erased
    // flash (0xFF) at its end dropped, since a download writes erased flash after the file.
    // Empty when the whole area is erased. Nothing is written and the FPGA is not held.
    // Stops between pages when the observer asks (Stopped); any page that does not arrive
    // whole ends it with that page's failure, so that no partial configuration is given.
    Result<std::vector<uint8_t>> ReadConfiguration();

    // Several operations as one action of the user (opening a window, a board attached):
    // the count of lost replies that makes the board silent runs on from one operation to
    // the next, so the action as a whole costs at most two read time limits.
    class Action {
    public:
        explicit Action(Board& board);
        ~Action();
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

    private:
        Board& m_board;
    };

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace board
