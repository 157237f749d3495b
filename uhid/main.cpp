// tarvik-uhid-board: a Morvane board without hardware. The simulated board's firmware model
// answers behind a real HID device created through /dev/uhid, so the kernel, udev, hidapi and
// every Tarvik program see a board on the USB bus. Needs root (or access to /dev/uhid).
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "uhid/BoardSettings.h"
#include "uhid/VirtualBoard.h"

namespace {

void Say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

struct Options {
    uhid::VirtualBoardOptions board;
    bool mouse = false;
    std::vector<std::string> faults;
    std::string flashOut;
    // Board settings given on the command line, with their values, in the table's order.
    std::vector<std::pair<std::string, std::string>> settings;
};

const char* const CommandHelp =
    "Commands on standard input, one a line, each answered by \"ok COMMAND\" or \"error: REASON\":\n"
    "  unplug, plug, replug      the board leaves, comes back, or both\n"
    "  mouse-plug, mouse-unplug  the mouse beside the board\n"
    "  fault KIND[:AFTER]        a fault of one exchange (see --fault)\n"
    "  dump [FILE]               write the flash to FILE (default: --flash-out)\n"
    "  quit                      end, as end of input, SIGINT and SIGTERM do\n"
    "  any board setting above, without its dashes: NAME [VALUE]\n"
    "SIGUSR1 unplugs the board or plugs it back in; SIGUSR2 writes the flash to --flash-out.\n"
    "With --gadget the board is a USB device: on a machine whose USB port works as a device port, the PC at the "
    "other end of the cable sees a Morvane board. It needs configfs (mounted at /sys/kernel/config) and the "
    "modules libcomposite and usb_f_hid; unplug unbinds the gadget from its controller, plug binds it again (also "
    "after an unbind from outside), and the gadget is removed at exit. With dummy_hcd loaded, the machine sees its "
    "own board.\n"
    "A small computer with a USB device port as a board, once its controller's driver runs in peripheral mode "
    "(/sys/class/udc lists it), as root:\n"
    "  modprobe libcomposite && modprobe usb_f_hid\n\n"
    "  mountpoint -q /sys/kernel/config || mount -t configfs none /sys/kernel/config\n\n"
    "  tarvik-uhid-board --gadget --uniq MRV-1234 --serial 1234\n\n"
    "(with --udc NAME where there are several controllers), then a cable from that port to the PC; on the PC the "
    "udev rule lets the logged-in user open the board.";

class Program {
public:
    explicit Program(const Options& options) : m_options(options), m_board(options.board, Say) {}

    int Run();

private:
    void Command(const std::string& line);
    std::string Apply(const std::string& name, const std::string& value);
    std::string Dump(const std::string& path);
    void ReadInput();
    void OnSignal(int signalFd);

    const Options& m_options;
    uhid::VirtualBoard m_board;
    std::string m_input;
    bool m_readInput = true;
    bool m_done = false;
};

std::string Program::Apply(const std::string& name, const std::string& value)
{
    const uhid::BoardSetting* setting = uhid::FindBoardSetting(name);
    if (setting == nullptr)
        return "no command \"" + name + "\"";
    if (setting->valueName != nullptr && value.empty())
        return name + " needs a value " + setting->valueName;
    return setting->apply(m_board.Model(), value);
}

std::string Program::Dump(const std::string& path)
{
    if (path.empty())
        return "no file to write the flash to (give one, or --flash-out)";
    std::string error;
    return m_board.DumpFlash(path, error) ? std::string() : "flash not written: " + error;
}

void Program::Command(const std::string& line)
{
    std::istringstream words(line);
    std::string name;
    std::string value;
    words >> name >> value;
    if (name.empty())
        return;
    std::string error;
    if (name == "unplug") {
        m_board.UnplugBoard();
    } else if (name == "plug") {
        if (!m_board.PlugBoard())
            error = m_board.LastError();
    } else if (name == "replug") {
        m_board.UnplugBoard();
        if (!m_board.PlugBoard())
            error = m_board.LastError();
    } else if (name == "mouse-plug") {
        if (!m_board.PlugMouse())
            error = m_board.LastError();
    } else if (name == "mouse-unplug") {
        m_board.UnplugMouse();
    } else if (name == "fault") {
        error = m_board.Faults().Add(value, m_board.Exchanges());
    } else if (name == "dump") {
        error = Dump(value.empty() ? m_options.flashOut : value);
    } else if (name == "quit") {
        m_done = true;
    } else {
        error = Apply(name, value);
    }
    Say(error.empty() ? "ok " + line : "error: " + error);
}

void Program::ReadInput()
{
    char chunk[512];
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count <= 0) {
        // End of input ends the program (a test that dies takes its board with it), unless
        // there never was any input: a board started with </dev/null runs until a signal.
        struct stat info {};
        const bool nullDevice = ::fstat(STDIN_FILENO, &info) == 0 && S_ISCHR(info.st_mode) && !::isatty(STDIN_FILENO);
        m_readInput = false;
        m_done = !nullDevice;
        return;
    }
    m_input.append(chunk, static_cast<std::size_t>(count));
    for (std::size_t end; (end = m_input.find('\n')) != std::string::npos;) {
        const std::string line = m_input.substr(0, end);
        m_input.erase(0, end + 1);
        Command(line);
    }
}

void Program::OnSignal(int signalFd)
{
    signalfd_siginfo info{};
    if (::read(signalFd, &info, sizeof info) != sizeof info)
        return;
    if (info.ssi_signo == SIGUSR1) {
        if (m_board.BoardPlugged())
            m_board.UnplugBoard();
        else if (!m_board.PlugBoard())
            Say("error: " + m_board.LastError());
    } else if (info.ssi_signo == SIGUSR2) {
        const std::string error = Dump(m_options.flashOut);
        Say(error.empty() ? "flash written to " + m_options.flashOut : "error: " + error);
    } else {
        m_done = true;
    }
}

int Program::Run()
{
    for (const auto& [name, value] : m_options.settings) {
        if (const std::string error = Apply(name, value); !error.empty()) {
            std::fprintf(stderr, "tarvik-uhid-board: --%s: %s\n", name.c_str(), error.c_str());
            return 2;
        }
    }
    for (const std::string& fault : m_options.faults) {
        if (const std::string error = m_board.Faults().Add(fault, 0); !error.empty()) {
            std::fprintf(stderr, "tarvik-uhid-board: --fault: %s\n", error.c_str());
            return 2;
        }
    }

    sigset_t handled;
    sigemptyset(&handled);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2})
        sigaddset(&handled, s);
    sigprocmask(SIG_BLOCK, &handled, nullptr);
    const int signalFd = signalfd(-1, &handled, SFD_CLOEXEC);

    if (!m_board.PlugBoard() || (m_options.mouse && !m_board.PlugMouse())) {
        std::fprintf(stderr, "tarvik-uhid-board: %s\n", m_board.LastError().c_str());
        return 1;
    }
    while (!m_done) {
        std::vector<pollfd> fds = {{signalFd, POLLIN, 0}, {m_board.BoardFd(), POLLIN, 0}, {m_board.MouseFd(), POLLIN, 0},
                                   {m_readInput ? STDIN_FILENO : -1, POLLIN, 0}};
        const auto wait = m_board.UntilNextReply(uhid::Clock::now());
        if (::poll(fds.data(), fds.size(), wait ? static_cast<int>(wait->count()) : -1) < 0)
            continue;
        const auto now = uhid::Clock::now();
        if (fds[0].revents & POLLIN)
            OnSignal(signalFd);
        if (fds[1].revents & POLLIN)
            m_board.OnBoardReadable(now);
        if (fds[2].revents & POLLIN)
            m_board.OnMouseReadable();
        if (fds[3].revents & (POLLIN | POLLHUP))
            ReadInput();
        m_board.SendDueReplies(uhid::Clock::now());
    }

    m_board.UnplugMouse();
    m_board.UnplugBoard();
    if (!m_options.flashOut.empty()) {
        const std::string error = Dump(m_options.flashOut);
        Say(error.empty() ? "flash written to " + m_options.flashOut : "error: " + error);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app{"A Morvane FPGA board without hardware: the simulated board's firmware behind a real USB HID "
                 "device made through /dev/uhid (run as root), for Tarvik, its tests and a class without boards.",
                 "tarvik-uhid-board"};
    app.set_version_flag("-V,--version", std::string("tarvik-uhid-board ") + TARVIK_VERSION);
    app.footer(CommandHelp);
    app.add_option("--uniq", options.board.uniq, "the device's serial number string")->capture_default_str();
    app.add_flag("--gadget", options.board.gadget,
                 "appear as a USB HID gadget on a USB device controller (configfs; modules libcomposite and "
                 "usb_f_hid) instead of through /dev/uhid: on a machine with a USB device port, a board for the PC "
                 "at the other end of the cable");
    app.add_option("--udc", options.board.udc, "the USB device controller for --gadget (a name in /sys/class/udc; "
                                               "default: the only one there is)");
    app.add_flag("--mouse", options.mouse, "also plug in a mouse (another kind of HID device)");
    std::string faultHelp = "a fault of one exchange, AFTER exchanges from the start (default 0: the first); "
                            "repeatable. KIND is one of:";
    for (const sim::LinkFaultName& fault : sim::LinkFaultNames)
        if (uhid::CanMake(fault.fault))
            faultHelp += "\n  " + std::string(fault.name) + ": " + std::string(fault.help);
    app.add_option("--fault", options.faults, faultHelp)->type_name("KIND[:AFTER]");
    int lateMs = static_cast<int>(options.board.lateReply.count());
    app.add_option("--late-ms", lateMs, "how late a late reply comes")->capture_default_str()->check(CLI::NonNegativeNumber);
    int latencyMs = 0;
    app.add_option("--latency-ms", latencyMs, "how long every reply takes")->check(CLI::NonNegativeNumber);
    uint64_t replugAfter = 0;
    CLI::Option* replug = app.add_option("--replug-after", replugAfter,
                                         "unplug and plug in again right after the reply to this many exchanges "
                                         "(a reader that has not taken that reply yet loses it)")
                              ->check(CLI::PositiveNumber);
    app.add_option("--flash-out", options.flashOut, "write the flash (64 KiB) to this file at the end");

    // The firmware model's settings, in the order the table gives them.
    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, CLI::Option*>> settingOptions;
    for (const uhid::BoardSetting& setting : uhid::BoardSettings()) {
        const std::string flag = std::string("--") + setting.name;
        CLI::Option* option = setting.valueName != nullptr
                                  ? app.add_option(flag, values[setting.name], setting.help)->type_name(setting.valueName)
                                  : app.add_flag(flag, setting.help);
        settingOptions.emplace_back(setting.name, option);
    }
    CLI11_PARSE(app, argc, argv);

    options.board.lateReply = std::chrono::milliseconds(lateMs);
    options.board.latency = std::chrono::milliseconds(latencyMs);
    if (replug->count() > 0)
        options.board.replugAfter = replugAfter;
    for (const auto& [name, option] : settingOptions)
        if (option->count() > 0)
            options.settings.emplace_back(name, values[name]);
    return Program(options).Run();
}
