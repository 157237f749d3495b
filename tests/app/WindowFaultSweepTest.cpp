#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/MainDlg.h"
#include "link/HidBackend.h"
#include "board/Board.h"
#include "board/BoardText.h"
#include "dialog/MessageBox.h"
#include "res/resource.h"
#include "sim/SimBackend.h"
#include "support/FaultSweep.h"
#include "support/FixedTime.h"

using namespace board;
using namespace faultsweep;

namespace {

// The fault sweep through the real main window: one fault at every exchange of a download
// started with its Download button. What the window says (its log, its boxes, its message
// boxes) must agree with what the simulated board's flash and information block hold.

// The device layer of one main window that runs many downloads, each on a simulated board
// of its own: a board that hangs or was unplugged by one fault is gone with its run.
class BoardSwitch final : public boardlink::HidBackend {
public:
    void Use(boardlink::HidBackend& board) { m_board = &board; }

    std::vector<boardlink::HidInterfaceInfo> EnumerateInterfaces() override { return m_board->EnumerateInterfaces(); }
    boardlink::HidHandle Open(const std::string& path, boardlink::HidAccess access) override
    {
        return m_board->Open(path, access);
    }
    bool GetAttributes(boardlink::HidHandle handle, uint16_t& vendorId, uint16_t& productId) override
    {
        return m_board->GetAttributes(handle, vendorId, productId);
    }
    bool GetCaps(boardlink::HidHandle handle, boardlink::HidCaps& caps) override { return m_board->GetCaps(handle, caps); }
    bool Write(boardlink::HidHandle handle, const uint8_t* report, std::size_t length) override
    {
        return m_board->Write(handle, report, length);
    }
    boardlink::HidReadResult Read(boardlink::HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) override
    {
        return m_board->Read(handle, buffer, length, timeoutMs);
    }
    void Cancel(boardlink::HidHandle handle) override { m_board->Cancel(handle); }
    void Drain(boardlink::HidHandle handle) override { m_board->Drain(handle); }
    void Close(boardlink::HidHandle handle) override { m_board->Close(handle); }
    std::string LastError() const override { return m_board->LastError(); }

private:
    boardlink::HidBackend* m_board = nullptr;
};

struct Shown {
    Flash after;
    std::size_t exchanges = 0;
    std::vector<std::string> log;  // the download's lines
    std::vector<std::string> messages;
    std::string serial, lastProgrammed, cycles;
};

// One main window, opened once, whose Download button is pressed for every run.
class SweptWindow {
public:
    SweptWindow() : m_window(m_switch, nullptr)
    {
        sim::SimBackend opening;
        m_switch.Use(opening);
        m_window.SetClock(FixedTime);
        m_window.SetMessageBoxHandler([this](const MessageBoxRequest& r) { m_messages.push_back(r.text.toStdString()); });
        m_window.InitDialog();
        m_window.BoardObject().ForgetBoard();
    }

    // A download on a board that holds before, with the fault at the given exchange (none:
    // a download without faults), as the window shows it.
    Shown Download(const Flash& before, std::optional<sim::LinkFault> fault, std::size_t exchange)
    {
        sim::SimBackend board;
        board.SetRecording(false);
        board.Board().Flash() = before;
        if (fault)
            board.InjectFault(*fault, exchange);
        m_switch.Use(board);
        // The boxes show the board as it is before the download.
        InfoBlock block;
        std::copy_n(before.begin(), InfoEnd, block.begin());
        const BoardInfo info = InfoOf(block);
        m_window.m_strSerial = text::Serial(*info.serial);
        m_window.m_strLastProgrammed = text::Date(*info.lastProgrammed);
        m_window.m_strCycles = std::to_string(*info.cycles);
        m_window.m_strFile = FileText;
        m_window.UpdateData(false);
        m_window.ActivityLog->clear();
        m_messages.clear();

        m_window.Item<QPushButton>(IDC_DOWNLOAD)->click();
        while (m_window.Busy())
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();

        Shown shown;
        shown.after = board.Board().Flash();
        shown.exchanges = board.ExchangeCount();
        for (int i = 0; i < m_window.ActivityLog->count(); ++i)
            shown.log.push_back(m_window.ActivityLog->item(i)->text().toStdString());
        shown.messages = m_messages;
        shown.serial = m_window.Item<QLineEdit>(IDC_SERIAL)->text().toStdString();
        shown.lastProgrammed = m_window.Item<QLineEdit>(IDC_LASTPROGRAMMED)->text().toStdString();
        shown.cycles = m_window.Item<QLineEdit>(IDC_CYCLES)->text().toStdString();
        // The next run's board is another one: its handles are not this one's.
        m_window.BoardObject().ForgetBoard();
        return shown;
    }

private:
    BoardSwitch m_switch;
    CMainDlg m_window;
    std::vector<std::string> m_messages;
};

bool Logged(const Shown& shown, const std::string& text)
{
    return std::any_of(shown.log.begin(), shown.log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// What is wrong with one run; empty when nothing is.
std::vector<std::string> Violations(const Flash& before, bool blank, const Shown& shown)
{
    const FlashAfter judged = Judge(before, blank, shown.after);
    std::vector<std::string> wrong = judged.wrong;
    const bool failureLogged = Logged(shown, "Flash memory update unsuccessful") ||
                               Logged(shown, "FPGA configuration unsuccessful") ||
                               Logged(shown, "Board information block not read") ||
                               Logged(shown, "Board information block write failed");
    if (!judged.fullSuccess && !failureLogged)
        wrong.push_back("the download did not fully succeed and the log does not say so");
    if (Logged(shown, "FPGA configuration successful") && !judged.configWhole)
        wrong.push_back("success logged for a configuration that is not whole in the flash");
    if (Logged(shown, "JTAG boundary scan chain not enabled") && Logged(shown, "did not answer"))
        wrong.push_back("the chain said to be off by a board that did not answer");
    // The file is there and usable: no fault of the board makes it a file problem.
    if (!shown.messages.empty())
        wrong.push_back("a message box: " + shown.messages.front());

    InfoBlock held;
    std::copy_n(shown.after.begin(), InfoEnd, held.begin());
    const BoardInfo holds = InfoOf(held);
    const std::string heldSerial = text::Serial(*holds.serial);
    const std::string heldCycles = std::to_string(*holds.cycles);
    const std::string heldDate = text::Date(*holds.lastProgrammed);
    const bool showsHeld = shown.serial == heldSerial && shown.cycles == heldCycles && shown.lastProgrammed == heldDate;
    const bool showsUnknown =
        shown.serial == UnknownText && shown.cycles == UnknownText && shown.lastProgrammed == UnknownText;
    if (!showsHeld && !showsUnknown)
        wrong.push_back("the boxes show " + shown.serial + ", " + shown.cycles + " cycles, " + shown.lastProgrammed +
                        "; the board holds " + heldSerial + ", " + heldCycles + " cycles, " + heldDate);
    return wrong;
}

// One instance per board (with a serial number, and blank) and per fault kind, so that each
// runs within a test's time.
class WindowFaultSweep : public ::testing::TestWithParam<std::tuple<bool, sim::LinkFault>> {
protected:
    SweepFolder m_folder{"tarvik-window-fault-sweep"};
};

TEST_P(WindowFaultSweep, EveryExchangeLeavesTheWindowSayingWhatTheBoardHolds)
{
    const auto [blank, fault] = GetParam();
    const Flash before = BoardBefore(blank);
    SweptWindow window;
    const Shown clean = window.Download(before, std::nullopt, 0);
    ASSERT_EQ(clean.exchanges, blank ? 786u : 783u);
    ASSERT_TRUE(Violations(before, blank, clean).empty());
    ASSERT_TRUE(Logged(clean, "FPGA configuration successful"));

    std::vector<std::string> failures;
    for (std::size_t exchange = 0; exchange < clean.exchanges; ++exchange) {
        for (const std::string& wrong : Violations(before, blank, window.Download(before, fault, exchange)))
            failures.push_back("exchange " + std::to_string(exchange) + ": " + wrong);
    }
    const std::size_t listed = std::min<std::size_t>(failures.size(), 20);
    for (std::size_t i = 0; i < listed; ++i)
        ADD_FAILURE() << failures[i];
    EXPECT_TRUE(failures.empty()) << failures.size() << " violations in " << clean.exchanges << " runs";
}

INSTANTIATE_TEST_SUITE_P(Faults, WindowFaultSweep,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(sim::AllLinkFaults)),
                         [](const ::testing::TestParamInfo<std::tuple<bool, sim::LinkFault>>& run) {
                             std::string name = std::string(std::get<0>(run.param) ? "blank_" : "numbered_") +
                                                std::string(sim::LinkFaultSpelling(std::get<1>(run.param)));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
