#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QScreen>
#include <QTimer>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <regex>

#include "app/IconPlacement.h"
#include "app/MainDlg.h"
#include "board/LocalTime.h"
#include "boardtest/TestDlg.h"
#include "dialog/MessageBox.h"
#include "res/resource.h"
#include "sim/SimBackend.h"
#include "support/WhenModalOpens.h"
#include "simwindow/SimWatcher.h"
#include "simwindow/SimBoardWindow.h"

using namespace boardlink;
using namespace board;

namespace {

// A fake source of device notifications that counts registrations.
class CountingWatcher : public DeviceWatcher {
public:
    bool Register(Handler h) override
    {
        handler = std::move(h);
        ++registrations;
        return true;
    }
    void Unregister() override { handler = nullptr; }
    // As the platform delivers: the handler may register anew while it runs.
    void Deliver(uint32_t event, const DeviceNotification& notification)
    {
        const Handler current = handler;
        current(event, notification);
    }
    Handler handler;
    int registrations = 0;
};

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stamp = FormatTime(LocalNow(clock), LogTimePrefix);
    }
    void TearDown() override { dlg.reset(); }
    // The main window on the simulated board, its clock set and its message boxes recorded,
    // not yet opened.
    void Make(DeviceWatcher* source)
    {
        dlg = std::make_unique<CMainDlg>(board, source);
        dlg->SetClock(clock);
        dlg->SetMessageBoxHandler([this](const MessageBoxRequest& r) { messages.push_back(r.text.toStdString()); });
    }
    CMainDlg& Open()
    {
        Make(&watcher);
        dlg->InitDialog();
        dlg->show();
        return *dlg;
    }
    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < dlg->ActivityLog->count(); ++i)
            lines.push_back(dlg->ActivityLog->item(i)->text().toStdString());
        return lines;
    }
    std::string Box(int id) const { return dlg->Item<QLineEdit>(id)->text().toStdString(); }
    // Runs the UI thread's events until the board's worker has ended what it was given and
    // the window has shown it.
    void WaitForBoard() { dlg->Worker().WaitUntilIdle(); }
    // The board unplugged, the window told, and plugged in again: its arrival is not told yet.
    void UnplugAndPlugBack()
    {
        board.Unplug();
        watcher.Deliver(DeviceRemoveComplete, {DeviceTypeInterface, sim::SimBackend::DefaultBoardPath});
        board.Plug();
    }
    bool BoardControlsEnabled(bool enabled) const
    {
        bool all = true;
        for (const int id : {IDC_DOWNLOAD, IDC_BOARDTEST, IDC_BROWSE, IDC_FILE})
            all = all && dlg->GetDlgItem(id)->isEnabled() == enabled;
        return all;
    }

    const Clock clock = [] { return std::time_t{1700000000}; };
    sim::SimBackend board;
    CountingWatcher watcher;
    std::unique_ptr<CMainDlg> dlg;
    std::vector<std::string> messages;
    std::string stamp;
};

TEST_F(MainDlgTest, OpensWithTheBoardsInformationBlock)
{
    Open();
    EXPECT_EQ(dlg->windowTitle().toStdString(), "Morvane FPGA Tool");
    EXPECT_EQ(Log(), std::vector<std::string>{stamp + "Tarvik (V1.02) initialized"});
    EXPECT_TRUE(std::regex_match(Log()[0], std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d Tarvik \(V1\.02\) initialized)")));
    EXPECT_EQ(Box(IDC_SERIAL), "TRK_00042");
    EXPECT_EQ(Box(IDC_LASTPROGRAMMED), "11/28/2026 at 09:30:05");
    EXPECT_EQ(Box(IDC_CYCLES), "7");
    EXPECT_EQ(Box(IDC_FILE), "/home/student/morvane/blink.rbf");
    EXPECT_EQ(dlg->m_progress->maximum(), 0x7FFF);
    EXPECT_EQ(dlg->m_progress->value(), 0);
    // Mode 1, two page reads, the chain check, mode 0.
    ASSERT_EQ(board.Received().size(), 9u);
    EXPECT_EQ(board.Received()[0][1], ProgramMode);
    EXPECT_EQ(board.Received()[7][1], JtagCheck);
    EXPECT_EQ(board.Received()[8][3], 0);
    EXPECT_FALSE(board.Board().InProgrammingMode());
    EXPECT_EQ(watcher.registrations, 1);
    // The focus follows the window's activation, which Windows tells after the window shows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->GetDlgItem(IDC_DOWNLOAD)->hasFocus() || !dlg->isActiveWindow(); }));
}

TEST_F(MainDlgTest, OpensWithoutABoard)
{
    board.Unplug();
    Open();
    EXPECT_EQ(Log(), (std::vector<std::string>{stamp + "Tarvik (V1.02) initialized",
                                               "JTAG boundary scan not enabled .... board tests will not work!"}));
    EXPECT_EQ(Box(IDC_SERIAL), "TRK_00000");
    EXPECT_EQ(Box(IDC_FILE), "");
    EXPECT_EQ(Box(IDC_LASTPROGRAMMED), "<unknown>");
    EXPECT_EQ(Box(IDC_CYCLES), "<unknown>");
}

TEST_F(MainDlgTest, ReadsAnsweredWithAnotherStatusHideDateAndCycles)
{
    board.Board().OverrideStatus(ReadMemory, 'R');
    board.Board().SetJtagChainEnabled(false);
    Open();
    EXPECT_EQ(Box(IDC_SERIAL), "TRK_00042");
    EXPECT_EQ(Box(IDC_FILE), "/home/student/morvane/blink.rbf");
    EXPECT_EQ(Box(IDC_LASTPROGRAMMED), "<unknown>");
    EXPECT_EQ(Box(IDC_CYCLES), "<unknown>");
    EXPECT_EQ(Log().back(), "JTAG boundary scan not enabled .... board tests will not work!");
}

TEST_F(MainDlgTest, UpdateDataRefusesATooLongFileTextAndKeepsEarlierValues)
{
    Open();
    const std::string longPath(101, 'p');
    dlg->m_strFile = longPath;
    dlg->UpdateData(false);
    EXPECT_EQ(Box(IDC_FILE), longPath) << "a longer text put there by the program is shown whole";
    dlg->Item<QLineEdit>(IDC_LASTPROGRAMMED)->setText("changed");
    dlg->Item<QLineEdit>(IDC_CYCLES)->setText("99");
    EXPECT_FALSE(dlg->UpdateData(true));
    EXPECT_EQ(messages, std::vector<std::string>{"Please enter no more than 100 characters."});
    EXPECT_EQ(dlg->m_strLastProgrammed, "changed");
    EXPECT_EQ(dlg->m_strCycles, "7") << "strings after the refused one are not read";
    auto* file = dlg->Item<QLineEdit>(IDC_FILE);
    EXPECT_EQ(file->selectedText().toStdString(), longPath);
}

TEST_F(MainDlgTest, TypingStopsAtTheLimitButShorteningALongTextWorks)
{
    Open();
    auto* file = dlg->Item<QLineEdit>(IDC_FILE);
    file->setText(QString(99, 'a'));
    file->setFocus();
    file->end(false);
    QTest::keyClicks(file, "bcd");
    EXPECT_EQ(file->text().size(), 100);
    file->setText(QString(120, 'a'));
    file->end(false);
    QTest::keyClick(file, Qt::Key_Backspace);
    EXPECT_EQ(file->text().size(), 119);
}

TEST_F(MainDlgTest, EnterClosesOnlyWhenTheDataExchangeSucceeds)
{
    Open();
    auto* file = dlg->Item<QLineEdit>(IDC_FILE);
    file->setText(QString(101, 'x'));
    file->setFocus();
    QTest::keyClick(file, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(messages.size(), 1u);
    file->setText("short.rbf");
    QTest::keyClick(file, Qt::Key_Return);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->m_strFile, "short.rbf");
}

TEST_F(MainDlgTest, EscapeClosesAtOnce)
{
    Open();
    dlg->Item<QLineEdit>(IDC_FILE)->setText(QString(101, 'x'));
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDlgTest, NoButtonIsADefaultButton)
{
    Open();
    for (QPushButton* button : dlg->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->text().toStdString();
    }
}

TEST_F(MainDlgTest, NewestLogLineStaysInViewWithNothingSelected)
{
    Open();
    for (int i = 0; i < 3000; ++i)
        dlg->LogLine("line " + std::to_string(i));
    QListWidget* log = dlg->ActivityLog;
    EXPECT_EQ(log->item(log->count() - 1)->text().toStdString(), "line 2999");
    EXPECT_TRUE(log->selectedItems().isEmpty());
    const QRect last = log->visualItemRect(log->item(log->count() - 1));
    EXPECT_TRUE(log->viewport()->rect().contains(last.center()));
}

TEST_F(MainDlgTest, ControlsSitAtTheirTemplatePlacesAndResizingMovesNone)
{
    Open();
    // Download at 48, 88, 50 x 16 dialog units; the log at 23, 117, 360 x 66.
    EXPECT_EQ(dlg->GetDlgItem(IDC_DOWNLOAD)->geometry(), QRect(72, 143, 75, 26));
    EXPECT_EQ(dlg->GetDlgItem(IDC_ACTIVITYLOG)->geometry(), QRect(35, 190, 540, 107));
    EXPECT_EQ(dlg->size(), QSize(615, 319));
    std::vector<QRect> before;
    for (QWidget* child : dlg->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        before.push_back(child->geometry());
    dlg->resize(900, 600);
    std::vector<QRect> after;
    for (QWidget* child : dlg->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        after.push_back(child->geometry());
    EXPECT_EQ(before, after);
}

TEST_F(MainDlgTest, DetachBlanksTheBoxesAndAttachShowsTheBoardAgain)
{
    Open();
    dlg->m_progress->setValue(500);
    const DeviceNotification boardNode{DeviceTypeInterface, sim::SimBackend::DefaultBoardPath};
    board.Unplug();
    board.ClearRecord();
    watcher.Deliver(DeviceRemoveComplete, boardNode);
    EXPECT_EQ(Log().back(), stamp + "Morvane FPGA board detached");
    for (int box : {IDC_SERIAL, IDC_LASTPROGRAMMED, IDC_FILE, IDC_CYCLES})
        EXPECT_EQ(Box(box), "<unknown>") << box;
    EXPECT_EQ(dlg->m_progress->value(), 0);
    EXPECT_FALSE(dlg->BoardObject().Found());
    EXPECT_TRUE(board.Received().empty());

    board.Board().WriteInfoBlock({300, 3, 15, 6, 14, 5, 9, 0xFFFFFFFF, "x.rbf"});
    board.Board().SetJtagChainEnabled(false);
    board.Plug();
    // The path differs only in letter case: it is still the board.
    watcher.Deliver(DeviceArrival, {DeviceTypeInterface, "/DEV/HIDRAW-SIM0"});
    // The attached line comes at once; the reads run on the board's worker and are shown
    // when they have ended, the controls disabled meanwhile.
    EXPECT_EQ(Log().back(), stamp + "Morvane FPGA board attached");
    EXPECT_EQ(Box(IDC_SERIAL), "<unknown>");
    EXPECT_TRUE(BoardControlsEnabled(false));
    WaitForBoard();
    EXPECT_TRUE(BoardControlsEnabled(true));
    const auto log = Log();
    EXPECT_EQ(log[log.size() - 2], stamp + "Morvane FPGA board attached");
    EXPECT_EQ(log.back(), "JTAG boundary scan chain disabled .... board tests will not work!");
    EXPECT_EQ(Box(IDC_SERIAL), "TRK_00300");
    EXPECT_EQ(Box(IDC_CYCLES), "4294967295");
    EXPECT_EQ(Box(IDC_LASTPROGRAMMED), "03/15/2006 at 14:05:09");
    EXPECT_EQ(Box(IDC_FILE), "x.rbf");
    EXPECT_EQ(board.Received().size(), 7u) << "two page reads and the chain check, no mode change";
    EXPECT_EQ(watcher.registrations, 2);
}

TEST_F(MainDlgTest, ReplugCyclesKeepOneRegistrationAndAnotherPortWaitsForTheNextExchange)
{
    Open();
    const DeviceNotification boardNode{DeviceTypeInterface, sim::SimBackend::DefaultBoardPath};
    for (int cycle = 0; cycle < 3; ++cycle) {
        board.Unplug();
        watcher.Deliver(DeviceRemoveComplete, boardNode);
        board.Plug();
        watcher.Deliver(DeviceArrival, boardNode);
        WaitForBoard();
        EXPECT_EQ(Box(IDC_SERIAL), "TRK_00042") << cycle;
    }
    // Each search that found the board replaced the one registration.
    EXPECT_EQ(watcher.registrations, 4);
    EXPECT_NE(watcher.handler, nullptr);

    board.Unplug();
    watcher.Deliver(DeviceRemoveComplete, boardNode);
    board.Plug("/dev/hidraw-sim1");
    const auto logBefore = Log();
    watcher.Deliver(DeviceArrival, {DeviceTypeInterface, "/dev/hidraw-sim1"});
    EXPECT_EQ(Log(), logBefore) << "another port is another device until the board is found there";
    EXPECT_EQ(Box(IDC_SERIAL), "<unknown>");
    dlg->BoardObject().CheckChain();
    EXPECT_EQ(dlg->BoardObject().Node(), "/dev/hidraw-sim1");
    EXPECT_EQ(watcher.registrations, 5);
}

// A board that stops answering once the block's first page has come: the attach's other
// reads wait out their time limits on the board's worker while the window goes on handling
// events. The board's removal that comes meanwhile is held and handled after the attach has
// shown what it found, so the boxes end showing the board gone, not the page that came.
TEST_F(MainDlgTest, SilentBoardsAttachWaitsOnTheWorkerAndADetachMeanwhileWins)
{
    Open();
    const DeviceNotification boardNode{DeviceTypeInterface, sim::SimBackend::DefaultBoardPath};
    UnplugAndPlugBack();
    board.SetRealTiming(true);
    // The first page's three exchanges are answered.
    board.StopAnsweringAfter(3);
    const std::string attached = stamp + "Morvane FPGA board attached";
    const std::size_t linesBefore = Log().size();

    watcher.Deliver(DeviceArrival, boardNode);
    EXPECT_EQ(Log().back(), attached);
    EXPECT_TRUE(BoardControlsEnabled(false));
    // The first event the UI thread handles comes while the worker waits for a reply.
    bool removalHeld = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        watcher.Deliver(DeviceRemoveComplete, boardNode);
        removalHeld = dlg->Busy() && Log().back() == attached;
    });
    WaitForBoard();

    EXPECT_TRUE(removalHeld) << "the window handled the removal's notification during the attach's wait";
    const auto log = Log();
    EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(linesBefore), log.end()),
              (std::vector<std::string>{attached, "ReadFile timeout", "Can't read from device", "ReadFile timeout",
                                        "Can't read from device",
                                        "JTAG boundary scan chain not checked: the board did not answer",
                                        stamp + "Morvane FPGA board detached"}));
    for (int box : {IDC_SERIAL, IDC_LASTPROGRAMMED, IDC_FILE, IDC_CYCLES})
        EXPECT_EQ(Box(box), "<unknown>") << box;
    EXPECT_FALSE(dlg->BoardObject().Found());
    EXPECT_TRUE(BoardControlsEnabled(true));
}

// Closing the window during an attach closes it at once, without the download's question;
// the window goes once the attach's reads have ended, without showing them.
TEST_F(MainDlgTest, ClosingDuringAnAttachClosesAtOnce)
{
    Open();
    const DeviceNotification boardNode{DeviceTypeInterface, sim::SimBackend::DefaultBoardPath};
    UnplugAndPlugBack();
    board.StopAnsweringAfter(0);
    watcher.Deliver(DeviceArrival, boardNode);
    ASSERT_TRUE(dlg->Busy());

    QObject scope;
    bool asked = false;
    QTimer::singleShot(0, &scope, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = true;
            box->reject();
        }
    });
    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(asked);
    dlg.reset();
}

TEST_F(MainDlgTest, SimulatedBoardWindowUnplugsAndPlugsThroughTheWatcher)
{
    sim::SimWatcher simWatcher;
    Make(&simWatcher);
    dlg->InitDialog();
    sim::SimBoardWindow boardWindow(board, simWatcher);
    boardWindow.Unplug();
    QTRY_COMPARE(dlg->m_strSerial, std::string("<unknown>"));
    EXPECT_EQ(Log().back(), stamp + "Morvane FPGA board detached");
    boardWindow.Plug(false);
    QTRY_COMPARE(dlg->m_strSerial, std::string("TRK_00042"));
    EXPECT_EQ(Log().back(), stamp + "Morvane FPGA board attached");
    dlg.reset();  // the window ends its registration while the watcher still exists
}

TEST_F(MainDlgTest, OtherDevicesChangeNoStoredTextButRemovalRefreshesTheBoxes)
{
    Open();
    const auto logBefore = Log();
    dlg->Item<QLineEdit>(IDC_FILE)->setText("typed but not taken");
    watcher.Deliver(DeviceArrival, {DeviceTypeInterface, "/dev/hidraw9"});
    watcher.Deliver(DeviceArrival, {2, sim::SimBackend::DefaultBoardPath});  // another device type
    EXPECT_EQ(Box(IDC_FILE), "typed but not taken");
    watcher.Deliver(DeviceRemoveComplete, {DeviceTypeInterface, "/dev/hidraw9"});
    EXPECT_EQ(Box(IDC_FILE), "/home/student/morvane/blink.rbf");
    EXPECT_EQ(Log(), logBefore);
    EXPECT_TRUE(dlg->BoardObject().Found());
}

TEST_F(MainDlgTest, UnopenableBoardIsNamedOnceInLinesThatFitTheLog)
{
    board.RefuseAccess(true);
    Open();
    const auto log = Log();
    const auto named = std::find_if(log.begin(), log.end(),
                                    [](const std::string& line) { return line.starts_with("Cannot open board device "); });
    ASSERT_NE(named, log.end());
    EXPECT_EQ(std::find_if(named + 1, log.end(),
                           [](const std::string& line) { return line.starts_with("Cannot open board device "); }),
              log.end())
        << "the opening's exchanges all searched, and the node was named once";
    // The node with the reason, and the fix, each readable whole in the list.
    ASSERT_NE(named + 1, log.end());
    const QFontMetrics metrics(dlg->ActivityLog->font());
    for (const auto& line : {*named, *(named + 1)})
        EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(line)), dlg->ActivityLog->viewport()->width())
            << line;
}

TEST_F(MainDlgTest, AFileNameStoredInLatin1IsShownReadable)
{
    board.Board().WriteInfoBlock({.fileName = "C:\\Entw\xFCrfe\\Z\xE4hler.rbf"});
    Open();
    EXPECT_EQ(dlg->Item<QLineEdit>(IDC_FILE)->text(), QString::fromUtf8("C:\\Entwürfe\\Zähler.rbf"));
}

TEST_F(MainDlgTest, BrowseOffersRawBinaryFilesAndCancelChangesNothing)
{
    Open();
    WhenModalOpens<QFileDialog>([](QFileDialog* chooser) {
        EXPECT_EQ(chooser->nameFilters(), (QStringList{"Raw binary files (*.rbf)", "All Files (*.*)"}));
        EXPECT_EQ(chooser->selectedNameFilter(), "Raw binary files (*.rbf)");
        EXPECT_EQ(chooser->defaultSuffix(), "rbf");
        chooser->reject();
    });
    QTest::mouseClick(dlg->GetDlgItem(IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(dlg->m_strFile, "/home/student/morvane/blink.rbf");

    const QString chosen = QDir::temp().filePath("a path that need not exist yet.rbf");
    WhenModalOpens<QFileDialog>([chosen](QFileDialog* chooser) {
        // Typed as a user would: the chooser takes the name even before it has listed the folder.
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(chosen);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(dlg->GetDlgItem(IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(dlg->m_strFile, chosen.toStdString());
    EXPECT_EQ(Box(IDC_FILE), chosen.toStdString());
}

TEST_F(MainDlgTest, AboutEntryOpensTheAboutBox)
{
    Open();
    std::string caption;
    std::vector<std::string> labels;
    WhenModalOpens<QDialog>([&](QDialog* about) {
        caption = about->windowTitle().toStdString();
        for (QLabel* label : about->findChildren<QLabel*>())
            labels.push_back(label->text().toStdString());
        QTest::keyClick(about, Qt::Key_Escape);
    });
    dlg->OnSysCommand(IDM_ABOUTBOX | 0x3);  // the low four bits are the system's own
    EXPECT_EQ(caption, "About Tarvik");
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Tarvik Version 1.02"), labels.end());
}

TEST_F(MainDlgTest, BoardTestRunsTheTestDialogModallyAndLeavesTestModeAfter)
{
    Open();
    dlg->m_progress->setValue(900);
    dlg->Item<QLineEdit>(IDC_FILE)->setText("typed but not taken");
    int progressWhileOpen = -1;
    WhenModalOpens<CTestDlg>([&](CTestDlg* test) {
        progressWhileOpen = dlg->m_progress->value();
        QTest::keyClick(test, Qt::Key_Escape);
    });
    board.ClearRecord();
    QTest::mouseClick(dlg->GetDlgItem(IDC_BOARDTEST), Qt::LeftButton);
    EXPECT_EQ(progressWhileOpen, 0);
    ASSERT_EQ(board.Received().size(), 1u);
    EXPECT_EQ(board.Received()[0][1], LeaveTestMode);
    EXPECT_EQ(Box(IDC_FILE), "/home/student/morvane/blink.rbf") << "the boxes show the stored texts again";
}

// What the screen shows of the main window is the same before the test dialog opens and
// after it closes: nothing of the dialog's buttons or board view is left behind.
TEST_F(MainDlgTest, ClosingTheTestDialogLeavesTheMainWindowAsItWas)
{
    Open();
    CDialog::SetApplicationWindow(dlg.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    QScreen* screen = dlg->screen();
    // The screen is shared with the suite's other windows, which open at its centre and its
    // top left: away from them, what the grab sees is this window's own.
    const QRect free = screen->availableGeometry();
    dlg->move(free.right() - dlg->frameGeometry().width() - 8, free.bottom() - dlg->frameGeometry().height() - 8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->frameGeometry().bottom() > free.center().y(); }));
    // The button that opens the dialog has the focus before, as it has after: Windows gives
    // the focus back to it, and draws it with its focus frame.
    QWidget* boardTest = dlg->GetDlgItem(IDC_BOARDTEST);
    boardTest->setFocus(Qt::TabFocusReason);
    auto shown = [&] {
        const QRect area(dlg->mapToGlobal(QPoint(0, 0)), dlg->size());
        return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    };
    QImage before;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QImage now = shown();
        const bool settled = now == before;
        before = now;
        return settled;
    }));
    bool dialogShown = false;
    WhenModalOpens<CTestDlg>([&](CTestDlg* test) {
        dialogShown = QTest::qWaitForWindowExposed(test) && shown() != before;
        QTest::keyClick(test, Qt::Key_Escape);
    });
    QTest::keyClick(boardTest, Qt::Key_Space);
    ASSERT_TRUE(dialogShown) << "the dialog covered part of the main window";
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == before; }));
    CDialog::SetApplicationWindow(nullptr);
}

TEST_F(MainDlgTest, SimulatedBoardWindowStaysUsableWhileTheMainWindowRuns)
{
    sim::SimWatcher simWatcher;
    sim::SimBoardWindow boardWindow(board, simWatcher);
    boardWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&boardWindow));
    Make(&simWatcher);
    CDialog::SetApplicationWindow(dlg.get());
    WhenModalOpens<CMainDlg>([&](CMainDlg* running) {
        QPushButton* unplug = nullptr;
        for (QPushButton* button : boardWindow.findChildren<QPushButton*>())
            if (button->text() == "Unplug")
                unplug = button;
        ASSERT_NE(unplug, nullptr);
        // Through the window system, where a modal window would block the click.
        QTest::mouseClick(boardWindow.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          unplug->mapTo(&boardWindow, unplug->rect().center()));
        QTest::qWait(100);
        running->reject();
    });
    dlg->DoModal();
    CDialog::SetApplicationWindow(nullptr);
    EXPECT_FALSE(board.Plugged());
    EXPECT_EQ(Log().back(), stamp + "Morvane FPGA board detached");
    dlg.reset();
}

TEST_F(MainDlgTest, WriteFailureLogsTheTimeAloneThenTheMessage)
{
    Open();
    board.FailNextWrite();
    dlg->BoardObject().CheckChain();
    const auto log = Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1], FormatTime(LocalNow(clock), "%m/%d/%Y %H:%M:%S"));
    EXPECT_EQ(log[2], "  Can't write to device");
}

TEST(IconPlacement, MinimisedIconIsCentredInIntegerArithmetic)
{
    EXPECT_EQ(IconOrigin(160, 28, 32, 32), QPoint(64, -1));
    EXPECT_EQ(IconOrigin(33, 33, 32, 32), QPoint(1, 1));
}

}  // namespace
