// The device layer on a real kernel: a virtual board (tarvik-uhid-board) seen by the real
// hidraw driver, udev and hidapi. Runs inside the device VM as root (ctest -L vm); elsewhere
// every test skips itself.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <grp.h>
#include <hidapi/hidapi.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CliProcess.h"
#include "UhidBoardProcess.h"
#include "app/DeviceChange.h"
#include "app/MainDlg.h"
#include "board/Download.h"
#include "board/InfoBlock.h"
#include "dialog/MessageBox.h"
#include "link/BoardLink.h"
#include "platform/linux/HidapiBackend.h"
#include "platform/linux/HidrawSysfs.h"
#include "link/Reports.h"
#include "platform/linux/UdevRule.h"
#include "devicewatch/UdevWatcher.h"
#include "res/resource.h"
#include "sim/SimBackend.h"
#include "support/RecordingHost.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace boardlink;
using namespace board;
using namespace devicewatch;
using namespace platform;

namespace {

// The user at the faked seat, and another user who is not logged in there.
constexpr uid_t SeatUser = 1000;
constexpr uid_t OtherUser = 1001;

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& part)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// Runs the Qt event loop (the udev watcher reads through it) until done() or the limit.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Waits until udev has handled every event so far (rules, permissions, links).
void SettleUdev() { ASSERT_EQ(std::system("udevadm settle --timeout=30"), 0); }

// The lines the board link logs when a user searches for the board and reads the first flash
// bytes, in a child process running as that user, then "status C" with the reply's status.
std::vector<std::string> ExchangeAsUser(uid_t uid)
{
    int lines[2];
    if (::pipe(lines) != 0)
        return {"pipe failed"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(lines[0]);
        std::string out;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0) {
            out = "cannot become user " + std::to_string(uid) + "\n";
        } else {
            HidapiBackend backend;
            RecordingHost window(backend);
            BoardLink link(backend, &window);
            link.SetCommand(ReadMemory, 16, 0);
            link.ReplyReport()[StatusByte] = StatusPreset;
            link.ExchangeReports();
            window.log.push_back("status " + std::string(1, static_cast<char>(link.ReplyReport()[StatusByte])));
            for (const std::string& line : window.log)
                out += line + "\n";
        }
        const ssize_t written = ::write(lines[1], out.data(), out.size());
        ::_exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
    }
    ::close(lines[1]);
    std::string text;
    char chunk[512];
    for (ssize_t n; (n = ::read(lines[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(n));
    ::close(lines[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::vector<std::string> result;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        result.push_back(text.substr(start, end - start));
    return result;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealKernel : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0 || ::access("/dev/uhid", R_OK | W_OK) != 0)
            GTEST_SKIP() << "needs root and /dev/uhid: these tests run inside the device VM (ctest -L vm)";
    }

    // The node of a device the board process reports plugged in ("board" or "mouse").
    static std::string Plugged(UhidBoardProcess& board, const std::string& what = "board")
    {
        const auto node = board.WaitFor(what + " plugged ");
        EXPECT_TRUE(node && node->starts_with("/dev/hidraw")) << board.Transcript();
        return node.value_or("");
    }

    // Udev's notifications go to the main window's handler, as in the program, and are kept.
    // Udev is let finish the events so far first: the arrival of a board plugged in just
    // before must not reach the handler later, in the middle of the test.
    void WatchUdev()
    {
        SettleUdev();
        ASSERT_TRUE(watcher.Register([this](uint32_t event, const DeviceNotification& notification) {
            events.emplace_back(event, notification.devicePath);
            HandleDeviceChange(window, event, notification);
        })) << watcher.LastError();
    }
    // Waits for the notification among those that come after the first `seen` ones.
    bool WaitForEvent(std::size_t seen, uint32_t event, const std::string& node)
    {
        const std::pair<uint32_t, std::string> wanted{event, node};
        return PumpUntil([&] {
            return std::find(events.begin() + static_cast<std::ptrdiff_t>(seen), events.end(), wanted) != events.end();
        });
    }

    // One read of 16 flash bytes; the board answers it with the address it was given.
    int ReadAt(uint16_t address)
    {
        link.SetCommand(ReadMemory, 16, address);
        link.ReplyReport()[StatusByte] = StatusPreset;
        link.ExchangeReports();
        return link.ReplyReport()[3] | (link.ReplyReport()[4] << 8);
    }

    HidapiBackend backend;
    RecordingHost window{backend};
    BoardLink link{backend, &window};
    UdevWatcher watcher;
    std::vector<std::pair<uint32_t, std::string>> events;
};

TEST_F(RealKernel, EnumerationFindsTheBoardAndOnlyItWithAMouseBeside)
{
    UhidBoardProcess board({"--mouse"});
    const std::string boardNode = Plugged(board);
    const std::string mouseNode = Plugged(board, "mouse");

    std::vector<std::string> boards;
    bool mouseListed = false;
    for (const HidInterfaceInfo& info : backend.EnumerateInterfaces()) {
        if (info.vendorId == BoardVendorId && info.productId == BoardProductId)
            boards.push_back(info.path);
        mouseListed = mouseListed || info.path == mouseNode;
    }
    EXPECT_EQ(boards, std::vector<std::string>{boardNode});
    EXPECT_TRUE(mouseListed);

    EXPECT_TRUE(link.FindBoard());
    EXPECT_EQ(link.BoardDevicePath(), boardNode);
    // Nothing refused, no system-device notice, no permission line.
    EXPECT_EQ(window.log, std::vector<std::string>{}) << Joined(window.log);
}

TEST_F(RealKernel, ReportLengthsComeFromTheNodesDescriptorInSysfs)
{
    UhidBoardProcess board({"--mouse"});
    const std::string boardNode = Plugged(board);
    const std::string mouseNode = Plugged(board, "mouse");

    struct Row {
        const char* label;
        std::string node;
        ReportLengths expected;
    };
    const Row rows[] = {
        {"board", boardNode, {.input = 65, .output = 65, .usagePage = 0xFF00, .usage = 0x01}},
        // Three button bits, five padding bits, X and Y: three bytes and the id byte.
        {"mouse", mouseNode, {.input = 4, .output = 0, .usagePage = 0x01, .usage = 0x02}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ReportLengths lengths;
        std::string error;
        ASSERT_TRUE(ReadHidrawCaps("/sys", row.node, lengths, error)) << error;
        EXPECT_EQ(lengths.input, row.expected.input);
        EXPECT_EQ(lengths.output, row.expected.output);
        EXPECT_EQ(lengths.usagePage, row.expected.usagePage);
        EXPECT_EQ(lengths.usage, row.expected.usage);
        EXPECT_FALSE(lengths.usesReportIds);
    }

    // The kernel hands back the descriptor the board was made with, byte for byte.
    std::vector<uint8_t> descriptor;
    std::string error;
    ASSERT_TRUE(ReadReportDescriptor(ReportDescriptorPath("/sys", boardNode), descriptor, error)) << error;
    EXPECT_EQ(descriptor, sim::SimBackend::BoardReportDescriptor());

    ASSERT_TRUE(link.FindBoard());
    EXPECT_EQ(link.BoardCaps().inputReportByteLength, 65);
    EXPECT_EQ(link.BoardCaps().outputReportByteLength, 65);
}

// The command-line tool, run as a user runs it, downloads over the real kernel: it says so
// in its JSON, the board's flash then holds the file byte for byte, and a listing after it
// shows the board with the file's name and its JTAG chain answering.
TEST_F(RealKernel, TheCommandLineToolsDownloadEndsByteExactInTheBoardsFlash)
{
    UhidBoardProcess board({"--serial", "777"});
    const std::string node = Plugged(board);
    // A size that ends inside a page, so the rest of the area must read as erased flash.
    std::vector<uint8_t> content(20000);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 31 + i / 256 + 7);
    const std::string rbf = "/tmp/real-kernel-config.rbf";
    std::ofstream(rbf, std::ios::binary).write(reinterpret_cast<const char*>(content.data()),
                                               static_cast<std::streamsize>(content.size()));

    const clitest::CliRun download = clitest::RunCli({"download", rbf, node, "--verify", "--json"});
    ASSERT_EQ(download.exitCode, 0) << download.out << download.err;
    const auto result = nlohmann::json::parse(download.out, nullptr, false);
    ASSERT_TRUE(result.is_object()) << download.out;
    EXPECT_EQ(result.value("file", ""), rbf);
    EXPECT_EQ(result.value("succeeded", -1), 1);
    EXPECT_EQ(result.value("failed", -1), 0);
    ASSERT_EQ(result["boards"].size(), 1u) << download.out;
    const auto& one = result["boards"][0];
    EXPECT_EQ(one.value("node", ""), node);
    EXPECT_EQ(one.value("serial_text", ""), "TRK_00777");
    EXPECT_EQ(one.value("result", ""), "FPGA configuration successful") << download.err;
    EXPECT_EQ(one.value("verified", false), true);
    EXPECT_TRUE(one["first_difference"].is_null()) << one["first_difference"];

    const std::string dump = "/tmp/real-kernel-flash.bin";
    ASSERT_TRUE(board.Command("dump " + dump)) << board.Transcript();
    const std::vector<uint8_t> flash = ReadFile(dump);
    ASSERT_EQ(flash.size(), sim::FlashSize);
    std::vector<uint8_t> expected(ConfigAreaSize, 0xFF);
    std::copy(content.begin(), content.end(), expected.begin());
    const auto area = flash.begin() + ConfigAreaAddress;
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), area);
    EXPECT_EQ(mismatch.first, expected.end())
        << "first difference at flash address 0x" << std::hex << ConfigAreaAddress + (mismatch.first - expected.begin());
    EXPECT_EQ(infoblock::Serial(std::span(flash).first(InfoBlockSize)), 777);
    EXPECT_EQ(infoblock::FileName(std::span(flash).first(InfoBlockSize)), rbf);

    const clitest::CliRun list = clitest::RunCli({"list", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.out << list.err;
    const auto listed = nlohmann::json::parse(list.out, nullptr, false);
    ASSERT_TRUE(listed.is_object()) << list.out;
    ASSERT_EQ(listed["boards"].size(), 1u) << list.out;
    const auto& entry = listed["boards"][0];
    EXPECT_EQ(entry.value("node", ""), node);
    EXPECT_EQ(entry.value("serial", -1), 777);
    EXPECT_EQ(entry.value("last_file", ""), rbf);
    EXPECT_EQ(entry.value("jtag_chain", false), true) << list.out;
}

TEST_F(RealKernel, ALostReplyWaitsOutTheTimeLimitAndTheNextExchangeSearchesAgain)
{
    UhidBoardProcess board({});
    const std::string node = Plugged(board);
    ASSERT_TRUE(board.Command("fault no-reply")) << board.Transcript();

    link.SetCommand(ReadMemory, 16, 0);
    link.ReplyReport()[StatusByte] = StatusPreset;
    const auto start = std::chrono::steady_clock::now();
    link.ExchangeReports();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(ReadTimeoutMs));
    EXPECT_FALSE(link.DeviceFound());
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusPreset);
    EXPECT_EQ(window.log, (std::vector<std::string>{"ReadFile timeout", "Can't read from device"}));

    link.ExchangeReports();
    EXPECT_TRUE(link.DeviceFound());
    EXPECT_EQ(link.BoardDevicePath(), node);
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusRead);
    // The first flash byte is the low byte of the default serial number, 42.
    EXPECT_EQ(link.ReplyReport()[DataByte], 42);
}

// What one exchange does when the board refuses the command or leaves as it arrives, and
// what the next exchange finds. A board that leaves wakes the waiting read at once: no
// 6000 ms wait. A board that comes back may get another node (the kernel keeps a node's
// number while a handle on it is open); the next search finds it wherever it is.
TEST_F(RealKernel, ExchangeFaultsAndWhatTheNextExchangeFinds)
{
    const std::vector<std::string> lostBoard = {"Undefined error", "Can't read from device"};
    struct Row {
        const char* fault;
        uint8_t firstStatus;
        std::vector<std::string> firstLog;
        const char* boardLine;  // the board's line to wait for before the second exchange
        bool foundAgain;
    };
    const Row rows[] = {
        {"refused", 'E', {}, nullptr, true},
        {"garbled-status", 'S' ^ 0x20, {}, nullptr, true},
        {"drop-out", StatusPreset, lostBoard, "board plugged ", true},
        {"unplug", StatusPreset, lostBoard, "board unplugged", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        RecordingHost host(backend);
        BoardLink rowLink(backend, &host);
        UhidBoardProcess board({});
        const std::string node = Plugged(board);
        ASSERT_TRUE(rowLink.FindBoard());
        ASSERT_TRUE(board.Command(std::string("fault ") + row.fault)) << board.Transcript();

        rowLink.SetCommand(ReadMemory, 16, 0);
        rowLink.ReplyReport()[StatusByte] = StatusPreset;
        rowLink.ExchangeReports();
        EXPECT_EQ(rowLink.ReplyReport()[StatusByte], row.firstStatus);
        EXPECT_EQ(host.log, row.firstLog) << Joined(host.log);

        std::string nodeNow = node;
        if (row.boardLine != nullptr) {
            const auto line = board.WaitFor(row.boardLine);
            ASSERT_TRUE(line) << board.Transcript();
            if (row.foundAgain)
                nodeNow = *line;
        }
        host.log.clear();
        rowLink.ReplyReport()[StatusByte] = StatusPreset;
        rowLink.ExchangeReports();
        EXPECT_EQ(rowLink.DeviceFound(), row.foundAgain);
        EXPECT_EQ(rowLink.ReplyReport()[StatusByte], row.foundAgain ? StatusRead : StatusPreset);
        if (row.foundAgain) {
            EXPECT_EQ(rowLink.BoardDevicePath(), nodeNow);
        }
        EXPECT_EQ(host.log, std::vector<std::string>{}) << Joined(host.log);
    }
}

// A reply that comes after the time limit is queued on the node the next search opened; the
// exchange after it must not take it for its own reply.
TEST_F(RealKernel, ALateReplyIsNeverTakenForTheReplyToALaterCommand)
{
    UhidBoardProcess board({"--late-ms", "7000"});
    Plugged(board);
    ASSERT_TRUE(board.Command("fault late-reply")) << board.Transcript();

    ReadAt(0x0000);
    EXPECT_FALSE(link.DeviceFound());
    EXPECT_EQ(ReadAt(0x0010), 0x0010);
    ASSERT_TRUE(board.WaitFor("late reply sent to exchange 1")) << board.Transcript();
    // The gadget's reply still crosses the bus after the board wrote it; the drain takes what
    // has arrived, so the host is given the few frames that crossing takes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadAt(0x0020), 0x0020);
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusRead);
}

// A reply that comes after the time limit but before the next command: the node was closed
// when the read gave up, so on USB the reply waits in the board's IN endpoint and reaches the
// host only once the next command's search has opened the node again. The drain before that
// command gives it the time to arrive.
TEST_F(RealKernel, ALateReplyHeldWhileTheNodeWasClosedIsDrainedAfterTheReopen)
{
    UhidBoardProcess board({"--late-ms", "6500"});
    Plugged(board);
    ASSERT_TRUE(board.Command("fault late-reply")) << board.Transcript();
    ReadAt(0x0000);
    EXPECT_FALSE(link.DeviceFound());
    ASSERT_TRUE(board.WaitFor("late reply sent to exchange 1")) << board.Transcript();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadAt(0x0010), 0x0010);
    EXPECT_EQ(link.ReplyReport()[StatusByte], StatusRead);
    EXPECT_EQ(ReadAt(0x0020), 0x0020);
}

TEST_F(RealKernel, UnplugAndReplugReachTheDetachAndAttachHandlersThroughUdev)
{
    UhidBoardProcess board({"--serial", "1234"});
    const std::string node = Plugged(board);
    WatchUdev();
    ASSERT_TRUE(window.BoardObject().CheckChain().Ok());

    ASSERT_TRUE(board.Command("unplug")) << board.Transcript();
    ASSERT_TRUE(WaitForEvent(0, DeviceRemoveComplete, node)) << Joined(window.log);
    EXPECT_TRUE(HasLine(window.log, "Morvane FPGA board detached")) << Joined(window.log);
    EXPECT_FALSE(window.BoardObject().Found());
    EXPECT_EQ(window.m_strSerial, UnknownText);

    const std::size_t seen = events.size();
    ASSERT_TRUE(board.Command("plug")) << board.Transcript();
    const std::string again = Plugged(board);
    ASSERT_TRUE(WaitForEvent(seen, DeviceArrival, again)) << Joined(window.log);
    EXPECT_TRUE(HasLine(window.log, "Morvane FPGA board attached")) << Joined(window.log);
    EXPECT_EQ(window.m_strSerial, "TRK_01234") << Joined(window.log);
    EXPECT_TRUE(window.BoardObject().Found());
    EXPECT_EQ(window.BoardObject().Node(), again);
}

// Besides the commands on its input, the board unplugs and plugs itself in again after a
// number of exchanges, and on SIGUSR1; SIGUSR2 writes its flash out. (It leaves right after
// its reply, so whether the exchange still read that reply is a race, as with a real board
// pulled out just then; only the unplug and the return are checked.)
TEST_F(RealKernel, TheBoardReplugsItselfAfterExchangesAndOnSignals)
{
    UhidBoardProcess board({"--replug-after", "1", "--flash-out", "/tmp/real-kernel-signal-flash.bin"});
    Plugged(board);
    link.SetCommand(ReadMemory, 16, 0);
    link.ExchangeReports();
    EXPECT_TRUE(board.WaitFor("board unplugged")) << board.Transcript();
    Plugged(board);

    board.Signal(SIGUSR1);
    EXPECT_TRUE(board.WaitFor("board unplugged")) << board.Transcript();
    board.Signal(SIGUSR1);
    Plugged(board);
    board.Signal(SIGUSR2);
    EXPECT_TRUE(board.WaitFor("flash written to /tmp/real-kernel-signal-flash.bin")) << board.Transcript();
    EXPECT_EQ(fs::file_size("/tmp/real-kernel-signal-flash.bin"), sim::FlashSize);
}

// The program's own main window on the real device layer: it opens with the board's
// information block and follows the board out and back through udev.
TEST_F(RealKernel, TheMainWindowFollowsTheBoardOutAndBack)
{
    UhidBoardProcess board({"--serial", "4321"});
    Plugged(board);
    SettleUdev();
    std::vector<std::string> messages;
    CMainDlg dlg(backend, &watcher);
    dlg.SetMessageBoxHandler([&](const MessageBoxRequest& r) { messages.push_back(r.text.toStdString()); });
    dlg.InitDialog();
    dlg.show();
    auto serialBox = [&] { return dlg.Item<QLineEdit>(IDC_SERIAL)->text().toStdString(); };
    auto lastLine = [&] {
        const int count = dlg.ActivityLog->count();
        return count == 0 ? std::string() : dlg.ActivityLog->item(count - 1)->text().toStdString();
    };
    auto lastLineEnds = [&](const std::string& end) { return lastLine().ends_with(end); };
    EXPECT_EQ(serialBox(), "TRK_04321");

    ASSERT_TRUE(board.Command("unplug")) << board.Transcript();
    EXPECT_TRUE(PumpUntil([&] { return lastLineEnds("Morvane FPGA board detached"); })) << lastLine();
    EXPECT_EQ(serialBox(), UnknownText);

    ASSERT_TRUE(board.Command("plug")) << board.Transcript();
    Plugged(board);
    EXPECT_TRUE(PumpUntil([&] { return serialBox() == "TRK_04321"; })) << lastLine();
    EXPECT_NE(lastLine().find("Morvane FPGA board attached"), std::string::npos) << lastLine();
    EXPECT_EQ(messages, std::vector<std::string>{});

    dlg.close();
}

TEST_F(RealKernel, AMouseOnTheBoardsOldNodeIsNotTakenForTheBoard)
{
    UhidBoardProcess board({});
    const std::string node = Plugged(board);
    WatchUdev();
    ASSERT_TRUE(window.BoardObject().CheckChain().Ok());
    ASSERT_TRUE(board.Command("unplug")) << board.Transcript();
    ASSERT_TRUE(WaitForEvent(0, DeviceRemoveComplete, node));

    const std::size_t linesBefore = window.log.size();
    const std::size_t seen = events.size();
    ASSERT_TRUE(board.Command("mouse-plug")) << board.Transcript();
    // The kernel gives a new device the lowest free node: the board's old one.
    ASSERT_EQ(Plugged(board, "mouse"), node);
    ASSERT_TRUE(WaitForEvent(seen, DeviceArrival, node));

    const std::vector<std::string> after(window.log.begin() + static_cast<std::ptrdiff_t>(linesBefore), window.log.end());
    EXPECT_FALSE(HasLine(after, "attached")) << Joined(after);
    EXPECT_EQ(window.m_strSerial, UnknownText) << Joined(window.log);
    EXPECT_FALSE(window.BoardObject().Found());
}

TEST_F(RealKernel, AUserWithoutAccessIsToldTheNodeAndTheFix)
{
    UhidBoardProcess board({});
    const std::string node = Plugged(board);
    SettleUdev();

    const std::vector<std::string> log = ExchangeAsUser(OtherUser);
    EXPECT_TRUE(HasLine(log, "Cannot open board device " + node + ": Permission denied")) << Joined(log);
    EXPECT_TRUE(HasLine(log, "Fix: install " + std::string(BoardUdevRuleFile) + " (sudo cmake --install"))
        << Joined(log);
    EXPECT_FALSE(HasLine(log, "status S")) << Joined(log);
}

// A udev rule installed, and a seat whose active user is SeatUser, written where udev's uaccess
// builtin reads it (a login manager would keep this file); both removed after.
class SeatWithUdevRule {
public:
    // The rule goes in as file (a name below 73, so that its tag is set before
    // 73-seat-late.rules turns it into access rights).
    SeatWithUdevRule(const std::string& file, const std::string& rule) : m_file(RulesDir / file)
    {
        fs::create_directories(RulesDir);
        std::ofstream(m_file) << rule;
        fs::create_directories(SeatsDir);
        std::ofstream(SeatsDir / "seat0") << "ACTIVE_UID=" << SeatUser << "\n";
        Reload();
    }
    ~SeatWithUdevRule()
    {
        fs::remove(m_file);
        fs::remove_all(SeatsDir);
        Reload();
    }

private:
    static void Reload() { EXPECT_EQ(std::system("udevadm control --reload"), 0); }
    inline static const fs::path RulesDir = "/run/udev/rules.d";
    inline static const fs::path SeatsDir = "/run/systemd/seats";
    fs::path m_file;
};

// The shipped rule matches the board on both stacks by its HID device's name; a lab's own rule
// on the USB device's ids matches only where there is a USB device, on the gadget stack. Where
// a rule matches, the seat's user opens the board and no other user does; the other user is
// told the node and the fix.
TEST_F(RealKernel, WithAUdevRuleTheSeatsUserOpensTheBoardAndNoOtherUser)
{
    const std::vector<uint8_t> shippedBytes = ReadFile(TARVIK_UDEV_RULE);
    const std::string shipped(shippedBytes.begin(), shippedBytes.end());
    struct Row {
        const char* label;
        std::string file;
        std::string rule;
        bool matches;
    };
    const Row rows[] = {
        {"the shipped rule", std::string(BoardUdevRuleFile), shipped, true},
        {"a rule on the USB device's ids", "69-lab-morvane.rules",
         "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0925\", ATTRS{idProduct}==\"1299\", TAG+=\"uaccess\"\n",
         BoardOnGadgetStack()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        SeatWithUdevRule seat(row.file, row.rule);
        UhidBoardProcess board({});
        const std::string node = Plugged(board);
        SettleUdev();

        const std::vector<std::string> seatUser = ExchangeAsUser(SeatUser);
        if (row.matches)
            EXPECT_EQ(seatUser, std::vector<std::string>{"status S"}) << Joined(seatUser);
        else
            EXPECT_TRUE(HasLine(seatUser, "Cannot open board device " + node + ": Permission denied")) << Joined(seatUser);
        const std::vector<std::string> other = ExchangeAsUser(OtherUser);
        EXPECT_TRUE(HasLine(other, "Cannot open board device " + node + ": Permission denied")) << Joined(other);
        EXPECT_TRUE(HasLine(other, "Fix: install " + std::string(BoardUdevRuleFile))) << Joined(other);
        EXPECT_FALSE(HasLine(other, "status S")) << Joined(other);
    }
}

// The arguments that put a board on device controller `index` of the VM's four (gadget stack);
// none through uhid.
std::vector<std::string> OnController(int index, std::vector<std::string> arguments)
{
    if (BoardOnGadgetStack())
        arguments.insert(arguments.end(), {"--udc", "dummy_udc." + std::to_string(index)});
    return arguments;
}

// A configuration file of the given size with a recognisable content.
std::string WriteConfigFile(const std::string& path, std::size_t size)
{
    std::vector<uint8_t> content(size);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 13 + i / 512 + 1);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    return path;
}

// The board's flash as the board program holds it, whether plugged in or not.
std::vector<uint8_t> FlashOf(UhidBoardProcess& board, const std::string& path)
{
    EXPECT_TRUE(board.Command("dump " + path)) << board.Transcript();
    std::vector<uint8_t> flash = ReadFile(path);
    EXPECT_EQ(flash.size(), sim::FlashSize);
    return flash;
}

std::vector<uint8_t> InfoBlockOf(const std::vector<uint8_t>& flash)
{
    return {flash.begin(), flash.begin() + static_cast<std::ptrdiff_t>(std::min(flash.size(), InfoBlockSize))};
}

// The download's JSON entry for the board on node; null when there is none.
nlohmann::json EntryFor(const nlohmann::json& result, const std::string& node)
{
    if (result.is_object() && result.contains("boards"))
        for (const auto& entry : result["boards"])
            if (entry.value("node", "") == node)
                return entry;
    return nullptr;
}

std::size_t LinesWith(const nlohmann::json& entry, const std::string& part)
{
    std::size_t count = 0;
    if (entry.is_object() && entry.contains("log"))
        for (const auto& line : entry["log"])
            count += line.get<std::string>().find(part) != std::string::npos ? 1 : 0;
    return count;
}

bool WriteSysfs(const std::string& path, const std::string& value)
{
    std::ofstream out(path);
    out << value << std::flush;
    return static_cast<bool>(out);
}

// dummy_hcd's host controllers unbound and bound again in another order: a USB bus gets the
// lowest free number when its controller is bound, so the buses are numbered in this order and
// no longer in the order of their sysfs paths (dummy_hcd.0, .1, ...). Put back in load order at
// the end. A controller is only unbound while no gadget is bound to its device side.
class RenumberedBuses {
public:
    explicit RenumberedBuses(const std::vector<int>& order) { ok = Bind(order); }
    ~RenumberedBuses() { EXPECT_TRUE(Bind({0, 1, 2, 3})); }
    bool ok = false;

private:
    static bool Bind(const std::vector<int>& order)
    {
        const std::string driver = "/sys/bus/platform/drivers/dummy_hcd/";
        bool done = true;
        for (int index : {0, 1, 2, 3})
            done = WriteSysfs(driver + "unbind", "dummy_hcd." + std::to_string(index)) && done;
        for (int index : order)
            done = WriteSysfs(driver + "bind", "dummy_hcd." + std::to_string(index)) && done;
        return done;
    }
};

// The USB bus number in a device's sysfs path (".../usb3/3-1/..." is bus 3); -1 without one.
int BusOf(const std::string& sysfsPath)
{
    const std::size_t at = sysfsPath.find("/usb");
    return at == std::string::npos ? -1 : std::atoi(sysfsPath.c_str() + at + 4);
}

// Four blank boards on four USB buses, plugged in so that neither their hidraw numbers nor
// their sysfs paths follow their bus numbers: --all --serial numbers them in the order of their
// USB ports, and the JSON names each board's port.
TEST_F(RealKernel, FourBlankBoardsAreNumberedInTheOrderOfTheirUsbPorts)
{
    if (!BoardOnGadgetStack())
        GTEST_SKIP() << "USB ports exist on the gadget stack only (TARVIK_BOARD_STACK=gadget)";
    // Some kernels build dummy_hcd without the driver's bind and unbind files (Debian's
    // 6.1.0-58 among them): its buses cannot be renumbered there.
    if (!fs::exists("/sys/bus/platform/drivers/dummy_hcd/bind"))
        GTEST_SKIP() << "this kernel's dummy_hcd driver has no bind and unbind files: its buses keep the order "
                        "of their sysfs paths, which the case needs to differ";
    RenumberedBuses buses({2, 0, 3, 1});
    ASSERT_TRUE(buses.ok);

    struct OnBus {
        std::unique_ptr<UhidBoardProcess> board;
        std::string node;
        std::string sysfsPath;
        int bus = -1;
    };
    std::vector<OnBus> boards;
    for (int controller : {3, 1, 0, 2}) {
        auto board = std::make_unique<UhidBoardProcess>(
            OnController(controller, {"--uniq", "MRV-010" + std::to_string(controller), "--serial", "0"}));
        const std::string node = Plugged(*board);
        ASSERT_FALSE(node.empty());
        const std::string path = fs::canonical("/sys/class/hidraw/" + fs::path(node).filename().string()).string();
        boards.push_back({std::move(board), node, path, BusOf(path)});
    }
    // The three orders disagree, or the case would prove nothing.
    auto order = [&](auto key) {
        std::vector<std::size_t> indices = {0, 1, 2, 3};
        std::sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) { return key(boards[a]) < key(boards[b]); });
        return indices;
    };
    const auto byBus = order([](const OnBus& p) { return p.bus; });
    const auto bySysfs = order([](const OnBus& p) { return p.sysfsPath; });
    const auto byNode = order([](const OnBus& p) { return std::atoi(p.node.c_str() + std::strlen("/dev/hidraw")); });
    ASSERT_NE(byBus, bySysfs);
    ASSERT_NE(byBus, byNode);
    ASSERT_NE(bySysfs, byNode);

    const std::string rbf = WriteConfigFile("/tmp/real-kernel-four.rbf", 3000);
    const clitest::CliRun download = clitest::RunCli({"download", rbf, "--all", "--serial", "101", "--json"});
    ASSERT_EQ(download.exitCode, 0) << download.out << download.err;
    const auto result = nlohmann::json::parse(download.out, nullptr, false);
    ASSERT_TRUE(result.is_object()) << download.out;
    ASSERT_EQ(result["boards"].size(), 4u) << download.out;
    for (std::size_t rank = 0; rank < 4; ++rank) {
        OnBus& p = boards[byBus[rank]];
        const int serial = 101 + static_cast<int>(rank);
        SCOPED_TRACE(p.node + " on bus " + std::to_string(p.bus));
        const auto& entry = result["boards"][rank];
        EXPECT_EQ(entry.value("node", ""), p.node);
        EXPECT_EQ(entry.value("port", ""), std::to_string(p.bus) + "-1");
        EXPECT_EQ(entry.value("serial_given", -1), serial);
        EXPECT_EQ(entry.value("result", ""), "FPGA configuration successful");
        const std::vector<uint8_t> flash = FlashOf(*p.board, "/tmp/real-kernel-four-flash.bin");
        EXPECT_EQ(infoblock::Serial(InfoBlockOf(flash)), serial);
    }
}

// Boards that go wrong in the middle of a download, alone and among others with --all: one
// unplugged (its gadget unbound) at its 400th exchange, one that stops answering at its 21st
// while it stays on the bus. The unplugged board fails at once, without a wait for a reply
// that cannot come; the silent one after at most two of the link's waits (the page in flight,
// then the chain check; each wait that runs out is logged), said as the board not answering. Both end with the flash update
// unsuccessful and their information block as it was; the others finish and are reported so.
TEST_F(RealKernel, BoardsUnpluggedOrSilentInTheMiddleOfADownloadFailAndTheOthersFinish)
{
    enum class Fate { Finishes, Unplugged, Silent };
    struct Row {
        const char* label;
        std::vector<Fate> boards;
    };
    const Row rows[] = {
        {"one board unplugged", {Fate::Unplugged}},
        {"--all, one board unplugged and one silent", {Fate::Finishes, Fate::Unplugged, Fate::Silent}},
    };
    const std::string rbf = WriteConfigFile("/tmp/real-kernel-fault.rbf", 20000);
    const std::string dump = "/tmp/real-kernel-fault-flash.bin";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const int count = static_cast<int>(row.boards.size());
        std::vector<std::unique_ptr<UhidBoardProcess>> boards;
        std::vector<std::string> nodes;
        std::vector<std::vector<uint8_t>> blocksBefore;
        for (int i = 0; i < count; ++i) {
            std::vector<std::string> arguments = {"--uniq", "MRV-020" + std::to_string(i), "--serial", std::to_string(500 + i)};
            if (row.boards[i] == Fate::Unplugged)
                arguments.insert(arguments.end(), {"--fault", "unplug:399"});
            if (row.boards[i] == Fate::Silent)
                arguments.insert(arguments.end(), {"--fault", "hang:20"});
            boards.push_back(std::make_unique<UhidBoardProcess>(OnController(i, arguments)));
            nodes.push_back(Plugged(*boards.back()));
            ASSERT_FALSE(nodes.back().empty());
            blocksBefore.push_back(InfoBlockOf(FlashOf(*boards.back(), dump)));
        }

        const clitest::CliRun download = clitest::RunCli(count == 1 ? std::vector<std::string>{"download", rbf, nodes[0], "--json"}
                                                                    : std::vector<std::string>{"download", rbf, "--all", "--json"});
        EXPECT_EQ(download.exitCode, 1) << download.out << download.err;
        const auto result = nlohmann::json::parse(download.out, nullptr, false);
        ASSERT_TRUE(result.is_object()) << download.out << download.err;
        const auto finished = std::count(row.boards.begin(), row.boards.end(), Fate::Finishes);
        EXPECT_EQ(result.value("succeeded", -1), finished);
        EXPECT_EQ(result.value("failed", -1), count - finished);
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(nodes[i]);
            const auto entry = EntryFor(result, nodes[i]);
            ASSERT_TRUE(entry.is_object()) << download.out;
            const std::vector<uint8_t> block = InfoBlockOf(FlashOf(*boards[i], dump));
            if (row.boards[i] == Fate::Finishes) {
                EXPECT_EQ(entry.value("result", ""), "FPGA configuration successful") << entry;
                EXPECT_EQ(infoblock::FileName(block), rbf);
                EXPECT_EQ(infoblock::Serial(block), 500 + i);
                continue;
            }
            EXPECT_EQ(entry.value("succeeded", true), false);
            EXPECT_TRUE(entry.value("result", "").starts_with("Flash memory update unsuccessful")) << entry;
            EXPECT_EQ(LinesWith(entry, " successful"), 0u) << entry;
            EXPECT_EQ(block, blocksBefore[i]);
            if (row.boards[i] == Fate::Unplugged) {
                EXPECT_TRUE(boards[i]->WaitFor("board unplugged")) << boards[i]->Transcript();
                EXPECT_EQ(LinesWith(entry, "ReadFile timeout"), 0u) << entry;
            } else {
                // The command it fell silent at is one of the download's page writes.
                EXPECT_TRUE(entry.value("result", "").starts_with("Flash memory update unsuccessful (the board did not answer "))
                    << entry;
                EXPECT_LE(LinesWith(entry, "ReadFile timeout"), 2u) << entry;
                EXPECT_NE(download.err.find(nodes[i] + ": Flash memory update unsuccessful (the board did not answer"),
                          std::string::npos)
                    << download.err;
            }
        }
    }
}

// The gadget unbound from outside (echo "" > UDC, as a cable pulled) in the middle of a
// download: the download fails at once with the flash update unsuccessful and the board's
// information block as it was; the board program's "plug" binds it again.
TEST_F(RealKernel, AGadgetUnboundFromOutsideEndsTheDownloadAndPlugBindsItAgain)
{
    if (!BoardOnGadgetStack())
        GTEST_SKIP() << "a gadget exists on the gadget stack only (TARVIK_BOARD_STACK=gadget)";
    UhidBoardProcess board({"--uniq", "MRV-0300", "--serial", "300"});
    const std::string node = Plugged(board);
    const std::string dump = "/tmp/real-kernel-unbound-flash.bin";
    const std::vector<uint8_t> blockBefore = InfoBlockOf(FlashOf(board, dump));
    const std::string rbf = WriteConfigFile("/tmp/real-kernel-unbound.rbf", 20000);

    clitest::RunningCli download({"download", rbf, node});
    // The line comes as the configuration pages start; the unbind lands among them.
    ASSERT_TRUE(download.WaitForOutput("Read 20000 bytes from RBF file"));
    // The program names its gadget after the board's serial number string.
    ASSERT_TRUE(WriteSysfs("/sys/kernel/config/usb_gadget/tarvik-MRV-0300/UDC", "\n"));
    const clitest::CliRun run = download.Finish();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("Flash memory update unsuccessful"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("FPGA configuration successful"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("ReadFile timeout"), std::string::npos) << run.out;
    EXPECT_EQ(InfoBlockOf(FlashOf(board, dump)), blockBefore);

    ASSERT_TRUE(board.Command("plug")) << board.Transcript();
    EXPECT_FALSE(Plugged(board).empty());
    EXPECT_TRUE(link.FindBoard());
}

}  // namespace

int main(int argc, char** argv)
{
    // The VM has no display: the main window runs on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// What the host sees of the board on each stack: through uhid a HID device with no USB under
// it; as a gadget a USB device on the controller's port, with the board's ids and serial on it
// and the board on interface 0.
TEST_F(RealKernel, TheBoardsBusAndUsbDeviceOnEachStack)
{
    const bool gadget = BoardOnGadgetStack();
    UhidBoardProcess board({"--uniq", "MRV-0042"});
    const std::string node = Plugged(board);
    ASSERT_FALSE(node.empty());

    ASSERT_EQ(hid_init(), 0);
    int busType = -1;
    int interface = -2;
    hid_device_info* devices = hid_enumerate(BoardVendorId, BoardProductId);
    for (hid_device_info* d = devices; d != nullptr; d = d->next) {
        if (d->path == node) {
            busType = d->bus_type;
            interface = d->interface_number;
        }
    }
    hid_free_enumeration(devices);
    EXPECT_EQ(busType, gadget ? HID_API_BUS_USB : HID_API_BUS_UNKNOWN);
    EXPECT_EQ(interface, gadget ? 0 : -1);

    // The USB device is the hidraw node's device's interface's parent.
    namespace fs = std::filesystem;
    const fs::path hid = fs::canonical("/sys/class/hidraw/" + fs::path(node).filename().string() + "/device");
    const fs::path usbDevice = hid.parent_path().parent_path();
    auto attribute = [&](const char* name) {
        std::ifstream in(usbDevice / name);
        std::string value;
        std::getline(in, value);
        return value;
    };
    if (gadget) {
        EXPECT_TRUE(hid.string().starts_with("/sys/devices/platform/dummy_hcd.0/usb")) << hid;
        EXPECT_EQ(attribute("idVendor"), "0925");
        EXPECT_EQ(attribute("idProduct"), "1299");
        EXPECT_EQ(attribute("serial"), "MRV-0042");
    } else {
        EXPECT_FALSE(fs::exists(usbDevice / "idVendor")) << hid;
    }
}
