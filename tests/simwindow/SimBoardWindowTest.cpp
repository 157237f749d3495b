#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/MainDlg.h"
#include "app/ToolApp.h"
#include "sim/SimBackend.h"
#include "simwindow/SimBoardWindow.h"
#include "simwindow/SimWatcher.h"

namespace {

using Places = sim::SimBoardWindow::Places;

struct PlacementCase {
    const char* name;
    QRect screen;
    QRect mainFrame;
    QSize boardFrame;
    QPoint main;
    QPoint board;
};

// Board window right of the main window where it fits, else left; else the pair across the
// screen, the main window moved; else one above the other; never off the screen.
const PlacementCase PlacementCases[] = {
    {"right of a centred main window", {0, 0, 1280, 1024}, {440, 362, 400, 300}, {300, 400}, {440, 362}, {848, 362}},
    {"left when the right is too narrow", {0, 0, 1280, 1024}, {900, 100, 350, 300}, {300, 200}, {900, 100}, {592, 100}},
    {"pair across the screen, main moved", {0, 0, 1000, 800}, {200, 100, 500, 300}, {400, 300}, {46, 100}, {554, 100}},
    {"below when too wide side by side", {0, 0, 800, 1000}, {100, 100, 600, 300}, {500, 400}, {100, 100}, {100, 408}},
    {"above when below is too low", {0, 0, 800, 1000}, {100, 600, 600, 300}, {500, 400}, {100, 600}, {100, 192}},
    {"kept on the screen's bottom", {0, 0, 1280, 1024}, {400, 800, 400, 200}, {300, 400}, {400, 800}, {808, 624}},
    {"pair across a screen right of a panel", {64, 0, 1216, 1024}, {300, 100, 700, 300}, {300, 400}, {168, 100}, {876, 100}},
};

TEST(SimBoardWindowPlacement, NeitherWindowCoversTheOtherAndBothStayOnTheScreen)
{
    for (const PlacementCase& c : PlacementCases) {
        SCOPED_TRACE(c.name);
        const Places places = sim::SimBoardWindow::PlaceBeside(c.screen, c.mainFrame, c.boardFrame);
        EXPECT_EQ(places.main, c.main);
        EXPECT_EQ(places.board, c.board);
        const QRect main(places.main, c.mainFrame.size());
        const QRect board(places.board, c.boardFrame);
        EXPECT_FALSE(main.intersects(board));
        EXPECT_TRUE(c.screen.contains(main));
        EXPECT_TRUE(c.screen.contains(board));
    }
}

TEST(SimBoardWindowPlacement, ScreenTooSmallForBothPutsTheBoardWindowInTheCorner)
{
    const Places places = sim::SimBoardWindow::PlaceBeside({0, 0, 640, 480}, {20, 40, 600, 400}, {500, 400});
    EXPECT_EQ(places.main, QPoint(20, 40));
    EXPECT_EQ(places.board, QPoint(0, 0));
}

// As tarvik-sim starts, and without a window manager, which would otherwise place the windows
// itself: the board window opens beside the running main window, on the screen.
TEST(SimBoardWindow, OpensBesideTheMainWindowOnTheScreen)
{
    sim::SimBackend board;
    sim::SimWatcher watcher;
    sim::SimBoardWindow boardWindow(board, watcher);
    CToolApp app(board, &watcher);
    QRect mainFrame, boardFrame, screen;
    app.SetMainWindowShownHandler([&](QWidget& mainWindow) {
        boardWindow.ShowBeside(mainWindow);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&boardWindow));
        mainFrame = mainWindow.frameGeometry();
        boardFrame = boardWindow.frameGeometry();
        screen = mainWindow.screen()->availableGeometry();
        static_cast<QDialog&>(mainWindow).reject();
    });
    app.InitInstance();
    ASSERT_FALSE(boardFrame.isEmpty());
    EXPECT_FALSE(mainFrame.intersects(boardFrame)) << "main window covers the board window";
    EXPECT_TRUE(screen.contains(mainFrame));
    EXPECT_TRUE(screen.contains(boardFrame));
}

QCheckBox* RealTimingSwitch(const sim::SimBoardWindow& window)
{
    for (QCheckBox* box : window.findChildren<QCheckBox*>())
        if (box->text() == "Real USB timing")
            return box;
    return nullptr;
}

// The tests' board answers at once; the switch turns the real board's timing on and off.
TEST(SimBoardWindow, RealUsbTimingSwitchFollowsAndDrivesTheBoard)
{
    sim::SimBackend board;
    sim::SimWatcher watcher;
    EXPECT_FALSE(board.RealTiming());
    sim::SimBoardWindow instant(board, watcher);
    QCheckBox* realTiming = RealTimingSwitch(instant);
    ASSERT_NE(realTiming, nullptr);
    EXPECT_FALSE(realTiming->isChecked());
    realTiming->click();
    EXPECT_TRUE(board.RealTiming());
    realTiming->click();
    EXPECT_FALSE(board.RealTiming());

    board.SetRealTiming(true);
    sim::SimBoardWindow real(board, watcher);
    ASSERT_NE(RealTimingSwitch(real), nullptr);
    EXPECT_TRUE(RealTimingSwitch(real)->isChecked());
}

// The window's buttons work while a board operation on a worker waits for a reply that does
// not come: the board is not held through the wait, and the worker's read sees the unplug.
TEST(SimBoardWindow, UnplugsTheBoardWhileAWorkersReadWaitsForItsReply)
{
    sim::SimBackend board;
    board.SetRealTiming(true);
    sim::SimWatcher watcher;
    sim::SimBoardWindow window(board, watcher);
    const boardlink::HidHandle handle = board.Open(sim::SimBackend::DefaultBoardPath, boardlink::HidAccess::Read);
    ASSERT_NE(handle, boardlink::InvalidHidHandle);

    std::atomic<bool> readEnded = false;
    boardlink::HidReadResult result = boardlink::HidReadResult::Arrived;
    std::thread worker([&] {
        std::array<uint8_t, sim::SimBackend::ReportByteLength> reply{};
        result = board.Read(handle, reply.data(), reply.size(), 2000);
        readEnded = true;
    });
    // The read has begun its wait once it has counted its time limit.
    for (;;) {
        const auto held = board.Hold();
        if (board.ElapsedMs() != 0)
            break;
    }
    QPushButton* unplug = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == "Unplug")
            unplug = button;
    ASSERT_NE(unplug, nullptr);
    unplug->click();
    EXPECT_FALSE(readEnded) << "the window waited for the worker's read";
    EXPECT_EQ(window.findChild<QLabel*>()->text(), "Unplugged");
    worker.join();
    EXPECT_EQ(result, boardlink::HidReadResult::TimedOut);
    const auto held = board.Hold();
    EXPECT_FALSE(board.Plugged());
}

}  // namespace
