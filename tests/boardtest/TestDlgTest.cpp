#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "board/LeadingInt.h"
#include "boardtest/TestDlg.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "pins/PinState.h"
#include "pins/PinTables.h"
#include "res/resource.h"
#include "simwindow/SimWatcher.h"
#include "simwindow/SimBoardWindow.h"
#include "support/RecordingWindow.h"
#include "view/BoardViewFrame.h"

using namespace boardlink;

namespace {

class TestDlgTest : public SimLinkTest {
protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        dlg = std::make_unique<CTestDlg>(boardObject);
        dlg->SetMessageBoxHandler([this](const MessageBoxRequest& r) { messages.push_back(r.text.toStdString()); });
        dlg->InitDialog();
        dlg->show();
        board.ClearRecord();
    }
    void TearDown() override
    {
        dlg.reset();
        SimLinkTest::TearDown();
    }
    std::string Result() const { return dlg->Item<QPlainTextEdit>(IDC_RESULT)->toPlainText().toStdString(); }
    void SetPinText(const QString& text) { dlg->Item<QLineEdit>(IDC_PINNUMBER)->setText(text); }
    // The dialog's work on the board's worker has ended and what it found is shown.
    void Settle() { ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->BoardIdle(); }, 15000)); }
    void ClickExecute()
    {
        QTest::mouseClick(dlg->GetDlgItem(IDC_EXECUTETEST), Qt::LeftButton);
        Settle();
    }
    void Click(int x, int y)
    {
        QWidget* client = dlg->BoardView()->ClientArea();
        QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        Settle();
    }

    // The watch box clicked as a user clicks it.
    void ClickWatchBox() { QTest::mouseClick(dlg->GetDlgItem(IDC_WATCHPINS), Qt::LeftButton); }
    bool WatchBoxChecked() const { return dlg->Item<QCheckBox>(IDC_WATCHPINS)->isChecked(); }
    // Waits until the watch has made count more captures (three exchanges each) and what
    // they found is shown.
    bool WaitForCaptures(std::size_t count)
    {
        const std::size_t target = board.ExchangeCount() + 3 * count;
        return QTest::qWaitFor([&] { return board.ExchangeCount() >= target && dlg->BoardIdle(); });
    }
    char ShownState(int position) const { return pins::DecodePinState(dlg->BoardView()->ShownCapture(), position); }

    std::unique_ptr<CTestDlg> dlg;
    std::vector<std::string> messages;
};

// The FPGA pin at header position 0, and its cell group.
constexpr int FirstHeaderPin = 23;

TEST_F(TestDlgTest, OpensWithItsInitialValues)
{
    EXPECT_EQ(dlg->windowTitle().toStdString(), "Morvane FPGA JTAG Tests");
    EXPECT_EQ(Result(), "<no tests performed yet>");
    EXPECT_EQ(dlg->Item<QLineEdit>(IDC_PINNUMBER)->text(), "1");
    EXPECT_EQ(dlg->Item<QComboBox>(IDC_LEVEL)->currentText(), "Hi-Z");
    EXPECT_TRUE(dlg->Item<QRadioButton>(1008)->isChecked());
    EXPECT_FALSE(dlg->Item<QRadioButton>(1010)->isEnabled());
    EXPECT_FALSE(dlg->Item<QRadioButton>(1011)->isEnabled());
    auto* level = dlg->Item<QComboBox>(IDC_LEVEL);
    EXPECT_EQ(level->count(), 3);
    EXPECT_EQ(level->itemText(0), "High");
    ASSERT_NE(dlg->BoardView(), nullptr);
    EXPECT_EQ(dlg->BoardView()->parentWidget(), dlg->GetDlgItem(IDC_BOARDVIEWFRAME));
}

TEST_F(TestDlgTest, PinNumberIsTakenAsAnIntegerInRange)
{
    struct Case {
        const char* typed;
        std::optional<int> taken;
        const char* message;
    };
    const Case cases[] = {
        {"12abc", 12, nullptr},
        {"  144", 144, nullptr},
        {"0", std::nullopt, "Please enter an integer between 1 and 144."},
        {"145", std::nullopt, "Please enter an integer between 1 and 144."},
        {"-3", std::nullopt, "Please enter an integer between 1 and 144."},
        {"", std::nullopt, "Please enter an integer."},
        {"abc", std::nullopt, "Please enter an integer."},
    };
    for (const Case& c : cases) {
        messages.clear();
        const int indexBefore = dlg->TestIndex;
        dlg->Item<QRadioButton>(c.taken ? 1012 : 1013)->setChecked(true);
        SetPinText(c.typed);
        const bool taken = dlg->UpdateData(true);
        EXPECT_EQ(taken, c.taken.has_value()) << c.typed;
        if (c.taken) {
            EXPECT_EQ(dlg->PinNumber, *c.taken) << c.typed;
            EXPECT_EQ(dlg->TestIndex, 4) << c.typed;
            EXPECT_TRUE(messages.empty()) << c.typed;
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.typed;
            EXPECT_EQ(dlg->TestIndex, indexBefore) << "the radio group is not read after a refusal";
            if (const std::optional<int> stored = board::ParseLeadingInt(c.typed)) {
                EXPECT_EQ(dlg->PinNumber, *stored) << "an out-of-range number is stored before the check";
            }
            EXPECT_EQ(dlg->Item<QLineEdit>(IDC_PINNUMBER)->selectedText(), QString(c.typed).trimmed().isEmpty() ? "" : c.typed);
        }
    }
}

// The capture listing is the longest text of the box, which was laid out for it in a
// fixed-pitch font of 8 pixels per character: all 12 lines show whole inside the box, at
// one line spacing, and every column lands on the 8-pixel grid.
TEST_F(TestDlgTest, ResultBoxShowsTheWholeListingInAlignedColumns)
{
    dlg->Item<QRadioButton>(1012)->setChecked(true);
    ClickExecute();
    const std::string listing = dlg->ResultText;
    ASSERT_NE(listing.find("\r\n"), std::string::npos);
    ASSERT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->ResultText, listing) << "the text taken back from the box is the one shown";

    auto* box = dlg->Item<QPlainTextEdit>(IDC_RESULT);
    EXPECT_TRUE(QFontInfo(box->font()).fixedPitch());
    QTextDocument* document = box->document();
    ASSERT_EQ(document->blockCount(), 13) << "12 lines, each ended by a line break";
    const QRect room = box->viewport()->rect();
    auto at = [&](int line, int column) {
        QTextCursor cursor(document->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        return box->cursorRect(cursor);
    };
    for (int line = 0; line < 12; ++line) {
        const int length = document->findBlockByNumber(line).length() - 1;
        EXPECT_TRUE(room.contains(at(line, length))) << "line " << line << " ends inside the box";
        EXPECT_NEAR(at(line, 0).top() - at(0, 0).top(), line * (at(11, 0).top() - at(0, 0).top()) / 11.0, 1)
            << "line " << line;
        if (line < 2)
            continue;
        for (int column = 0; column <= 56; column += 7)
            EXPECT_EQ(at(line, column).x() - at(line, 0).x(), 8 * column) << "line " << line << ", column " << column;
    }
    EXPECT_GE(at(11, 0).top() - at(0, 0).top(), 11 * 12) << "lines of at least 12 pixels";
}

// The level is typed as a user types it: into the box's field, then the focus moves on and
// Execute Test is clicked. The level driven is the one typed, whatever its case, and the
// result names it; a text that names no level is refused and nothing is sent.
TEST_F(TestDlgTest, ExecuteDrivesThePinToTheTypedLevel)
{
    struct Case {
        const char* typed;
        std::optional<uint8_t> command;
        const char* result;
    };
    const Case cases[] = {
        {"low", DrivePinLow, "Pin 23 should now be Low."},
        {"LOW", DrivePinLow, "Pin 23 should now be Low."},
        {"hi-z", FloatPin, "Pin 23 should now be Hi-Z."},
        {"HIGH", DrivePinHigh, "Pin 23 should now be High."},
        {"off", std::nullopt, nullptr},
        {"lowe", std::nullopt, nullptr},
    };
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    QTest::mouseClick(dlg->GetDlgItem(1013), Qt::LeftButton);
    QLineEdit* pin = dlg->Item<QLineEdit>(IDC_PINNUMBER);
    pin->setFocus();
    pin->selectAll();
    QTest::keyClicks(pin, "23");
    QLineEdit* level = dlg->Item<QComboBox>(IDC_LEVEL)->lineEdit();
    for (const Case& c : cases) {
        board.ClearRecord();
        messages.clear();
        dlg->Item<QPlainTextEdit>(IDC_RESULT)->setPlainText("earlier");
        QTest::mouseClick(level, Qt::LeftButton);
        level->selectAll();
        QTest::keyClick(level, Qt::Key_Delete);
        QTest::keyClicks(level, c.typed);
        QTest::keyClick(level, Qt::Key_Tab);
        EXPECT_FALSE(level->hasFocus()) << c.typed;
        ClickExecute();
        if (c.command) {
            EXPECT_TRUE(messages.empty()) << c.typed;
            EXPECT_EQ(Result(), c.result) << c.typed;
            ASSERT_EQ(board.Received().size(), 1u) << c.typed;
            EXPECT_EQ(board.Received()[0][1], *c.command) << c.typed;
            EXPECT_EQ(board.Received()[0][3], 195) << c.typed;
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{"Please enter one of: High, Low, Hi-Z."}) << c.typed;
            EXPECT_TRUE(board.Received().empty()) << c.typed;
            EXPECT_EQ(Result(), "earlier") << c.typed;
            EXPECT_TRUE(level->hasFocus()) << "the refused text is left to correct";
        }
    }
}

// Each test the user can pick: the command it sends and the result text, which says what
// should now be the case; a pin that is not on the header is refused without a command.
TEST_F(TestDlgTest, ExecuteRunsTheCheckedTestAndSaysWhatItDid)
{
    struct Case {
        int radio;
        int pin;
        const char* level;
        std::optional<uint8_t> command;
        const char* result;
    };
    const Case cases[] = {
        {1008, 1, "Hi-Z", DriveAllHigh, "Now driving all pins HIGH"},
        {1009, 1, "Hi-Z", DriveAllLow, "Now driving all pins LOW"},
        {1013, 89, "Low", DrivePinLow, "Pin 89 should now be Low."},
        {1013, 4, "Low", std::nullopt,
         "Illegal pin choice ... must be a labeled integer pin number.\nCommand ignored."},
    };
    for (const Case& c : cases) {
        board.ClearRecord();
        dlg->Item<QRadioButton>(c.radio)->setChecked(true);
        SetPinText(QString::number(c.pin));
        dlg->Item<QComboBox>(IDC_LEVEL)->setEditText(c.level);
        ClickExecute();
        EXPECT_EQ(Result(), c.result) << c.result;
        std::vector<uint8_t> sent;
        for (const std::vector<uint8_t>& report : board.Received())
            sent.push_back(report[1]);
        EXPECT_EQ(sent, c.command ? std::vector<uint8_t>{*c.command} : std::vector<uint8_t>{}) << c.result;
    }
}

// A test running on the board's worker disables what would start another one, the watch
// included, until it has ended; the dialog meanwhile answers events.
TEST_F(TestDlgTest, ControlsWaitForTheRunningTest)
{
    board.SetRealTiming(true);
    dlg->Item<QRadioButton>(1012)->setChecked(true);
    board.DropNextReply();  // the capture's JtagCapture: its read waits out the time limit
    QTest::mouseClick(dlg->GetDlgItem(IDC_EXECUTETEST), Qt::LeftButton);
    for (const int id : {IDC_EXECUTETEST, IDC_WATCHPINS})
        EXPECT_FALSE(dlg->GetDlgItem(id)->isEnabled()) << id;
    EXPECT_FALSE(dlg->BoardView()->isEnabled());
    QTest::qWait(200);
    EXPECT_FALSE(dlg->BoardIdle()) << "the wait is the worker's, not the dialog's";
    Settle();
    EXPECT_EQ(Result(), "JTAG error: capture did not occur...");
    for (const int id : {IDC_EXECUTETEST, IDC_WATCHPINS})
        EXPECT_TRUE(dlg->GetDlgItem(id)->isEnabled()) << id;
    EXPECT_TRUE(dlg->BoardView()->isEnabled());
}

TEST_F(TestDlgTest, ARefusedPinNumberRunsNoTest)
{
    dlg->Item<QRadioButton>(1013)->setChecked(true);
    SetPinText("23");
    ASSERT_TRUE(dlg->UpdateData(true));
    SetPinText("200");
    ClickExecute();
    EXPECT_EQ(messages, std::vector<std::string>{"Please enter an integer between 1 and 144."});
    EXPECT_TRUE(board.Received().empty());
    EXPECT_EQ(Result(), "<no tests performed yet>");
}

TEST_F(TestDlgTest, EnterPressesExecuteTest)
{
    dlg->Item<QLineEdit>(IDC_PINNUMBER)->setFocus();
    QTest::keyClick(dlg->GetDlgItem(IDC_PINNUMBER), Qt::Key_Return);
    Settle();
    EXPECT_EQ(Result(), "Now driving all pins HIGH");
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(TestDlgTest, EveryWayOutLeavesTestMode)
{
    for (const char* way : {"Escape", "button", "close box"}) {
        dlg.reset();
        dlg = std::make_unique<CTestDlg>(boardObject);
        dlg->InitDialog();
        dlg->show();
        ClickExecute();
        EXPECT_TRUE(board.Board().InTestMode()) << way;
        board.ClearRecord();
        if (std::string(way) == "Escape")
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        else if (std::string(way) == "button")
            QTest::mouseClick(dlg->GetDlgItem(IDCANCEL), Qt::LeftButton);
        else
            dlg->close();
        Settle();
        EXPECT_FALSE(dlg->isVisible()) << way;
        ASSERT_EQ(board.Received().size(), 1u) << way;
        EXPECT_EQ(board.Received()[0][1], LeaveTestMode) << way;
        EXPECT_FALSE(board.Board().InTestMode()) << way;
    }
}

TEST_F(TestDlgTest, ClickOnAMarkerCapturesAndReportsThatPin)
{
    board.Board().SetExternalLevel(pins::BoundaryCellTable[22], false);
    struct Case {
        int x, y;
        const char* result;
    };
    const Case cases[] = {
        {165, 10, "...  pin 23 = 1\r\n"},
        {177, 10, "...  pin 23 = 1\r\n"},
        {178, 10, "...  pin 22 = 0\r\n"},
        {170, 200, "...  pin 24 = 1\r\n"},
        {664, 200, "...  pin 89 = 1\r\n"},
    };
    for (const Case& c : cases) {
        board.ClearRecord();
        dlg->ResultText = "earlier";
        Click(c.x, c.y);
        EXPECT_EQ(dlg->ResultText, c.result) << c.x << "," << c.y;
        EXPECT_EQ(board.Received().size(), 3u) << "a fresh capture for every click";
    }
    EXPECT_EQ(Result(), "...  pin 89 = 1\n") << "the box shows the line break";
}

TEST_F(TestDlgTest, ClicksOffTheMarkersAskNothing)
{
    dlg->ResultText = "kept";
    dlg->UpdateData(false);
    for (const QPoint point : {QPoint(300, 100), QPoint(164, 10), QPoint(164, 200), QPoint(300, 40), QPoint(670, 10)}) {
        Click(point.x(), point.y());
        EXPECT_TRUE(board.Received().empty()) << point.x() << "," << point.y();
        EXPECT_EQ(Result(), "kept");
    }
}

TEST_F(TestDlgTest, RefusedCaptureOnClickKeepsTheMarkers)
{
    board.Board().SetExternalLevel(pins::BoundaryCellTable[23], false);
    board.Board().RefuseNextCapture();
    Click(170, 10);
    EXPECT_EQ(Result(), "Capture did not occur .... ");
    EXPECT_EQ(pins::DecodePinState(dlg->BoardView()->ShownCapture(), 0), '1');
}

// While the box is checked the markers and the listing follow the board: an undriven pin
// pulled low in the simulated board's window shows after the next capture.
TEST_F(TestDlgTest, WatchFollowsAPinChangedInTheSimulatedBoardsWindow)
{
    sim::SimWatcher simWatcher;
    sim::SimBoardWindow boardWindow(board, simWatcher);
    boardWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&boardWindow));
    ClickWatchBox();
    EXPECT_TRUE(WatchBoxChecked());
    EXPECT_TRUE(dlg->Watching());
    ASSERT_TRUE(WaitForCaptures(1));
    EXPECT_EQ(Result().rfind("Capture result:", 0), 0u) << Result();
    EXPECT_NE(Result().find(" P023:1"), std::string::npos);
    EXPECT_EQ(ShownState(0), '1');

    QSpinBox* pin = nullptr;
    for (QSpinBox* box : boardWindow.findChildren<QSpinBox*>())
        if (box->prefix() == "FPGA pin ")
            pin = box;
    auto* level = boardWindow.findChild<QComboBox*>();
    QPushButton* set = nullptr;
    for (QPushButton* button : boardWindow.findChildren<QPushButton*>())
        if (button->text() == "Set")
            set = button;
    ASSERT_TRUE(pin && level && set);
    pin->setValue(FirstHeaderPin);
    level->setCurrentIndex(1);
    QTest::mouseClick(set, Qt::LeftButton);
    ASSERT_TRUE(WaitForCaptures(1));
    EXPECT_EQ(ShownState(0), '0');
    EXPECT_NE(Result().find(" P023:0"), std::string::npos) << Result();
    EXPECT_TRUE(dlg->Watching());
    EXPECT_TRUE(messages.empty());
}

// Every way out stops the watch before it does its own work: no capture follows, and the
// link carries only what that way sends.
TEST_F(TestDlgTest, WatchStopsOnEachWayOut)
{
    struct Case {
        const char* way;
        std::vector<uint8_t> sent;
    };
    const Case cases[] = {
        {"Execute Test", {DriveAllHigh}},
        {"Enter", {DriveAllHigh}},
        {"Leave Test Mode", {LeaveTestMode}},
        {"Escape", {LeaveTestMode}},
        {"unplug", {}},
    };
    for (const Case& c : cases) {
        const std::string way = c.way;
        dlg = std::make_unique<CTestDlg>(boardObject);
        dlg->SetMessageBoxHandler([this](const MessageBoxRequest& r) { messages.push_back(r.text.toStdString()); });
        dlg->InitDialog();
        dlg->show();
        board.Plug();
        ClickWatchBox();
        ASSERT_TRUE(WaitForCaptures(2)) << way;
        const std::string listing = Result();
        board.ClearRecord();
        if (way == "Execute Test") {
            ClickExecute();
        } else if (way == "Enter") {
            QTest::keyClick(dlg.get(), Qt::Key_Return);
        } else if (way == "Leave Test Mode") {
            QTest::mouseClick(dlg->GetDlgItem(IDCANCEL), Qt::LeftButton);
        } else if (way == "Escape") {
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        } else {
            // What the main window does when the board's removal is reported, once the board's
            // worker is idle.
            Settle();
            board.Unplug();
            boardObject.ForgetBoard();
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->Watching(); })) << way;
        EXPECT_FALSE(WatchBoxChecked()) << way;
        QTest::qWait(60);
        Settle();
        std::vector<uint8_t> sent;
        for (const std::vector<uint8_t>& report : board.Received())
            sent.push_back(report[1]);
        EXPECT_EQ(sent, c.sent) << way;
        if (way == "unplug") {
            EXPECT_EQ(Result(), listing) << "the last listing stays";
            EXPECT_TRUE(window.log.empty()) << "nothing searched for the board";
        }
        EXPECT_TRUE(messages.empty()) << way;
    }
}

// A capture the board refuses stops the watch with what a refused Capture pins test shows.
TEST_F(TestDlgTest, RefusedCaptureStopsTheWatchWithTheCaptureMessage)
{
    ClickWatchBox();
    ASSERT_TRUE(WaitForCaptures(1));
    board.Board().RefuseNextCapture();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->Watching(); }));
    EXPECT_EQ(Result(), "JTAG error: capture did not occur...");
    EXPECT_FALSE(WatchBoxChecked());
    const std::size_t exchanges = board.ExchangeCount();
    QTest::qWait(60);
    EXPECT_EQ(board.ExchangeCount(), exchanges);
}

// A click on a marker while watching answers for its pin, and the box then follows that pin
// as the board changes; the markers go on following the whole board.
TEST_F(TestDlgTest, ClickOnAMarkerWhileWatchingFollowsThatPin)
{
    ClickWatchBox();
    ASSERT_TRUE(WaitForCaptures(1));
    Click(170, 10);
    EXPECT_EQ(Result(), "...  pin 23 = 1\n");
    EXPECT_TRUE(dlg->Watching());
    board.Board().SetExternalLevel(pins::BoundaryCellTable[FirstHeaderPin], false);
    ASSERT_TRUE(WaitForCaptures(1));
    EXPECT_EQ(Result(), "...  pin 23 = 0\n");
    EXPECT_EQ(ShownState(0), '0');
    EXPECT_TRUE(dlg->Watching());

    ClickWatchBox();
    EXPECT_FALSE(dlg->Watching());
    ClickWatchBox();
    ASSERT_TRUE(WaitForCaptures(1));
    EXPECT_EQ(Result().rfind("Capture result:", 0), 0u) << "watching again shows the listing";
}

}  // namespace
