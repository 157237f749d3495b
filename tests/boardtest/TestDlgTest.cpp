#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "board/LeadingInt.h"
#include "boardtest/TestDlg.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "pins/PinState.h"
#include "pins/PinTables.h"
#include "res/resource.h"
#include "support/RecordingWindow.h"
#include "view/BoardViewFrame.h"

using namespace boardlink;

namespace {

class TestDlgTest : public SimLinkTest {
protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        dlg = std::make_unique<CTestDlg>(link);
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
    void Click(int x, int y)
    {
        QWidget* client = dlg->BoardView()->ClientArea();
        QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    }

    std::unique_ptr<CTestDlg> dlg;
    std::vector<std::string> messages;
};

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

TEST_F(TestDlgTest, ResultBoxKeepsTheTextsLinesAndItsCourierCellHeight)
{
    dlg->Item<QRadioButton>(1012)->setChecked(true);
    QTest::mouseClick(dlg->GetDlgItem(IDC_EXECUTETEST), Qt::LeftButton);
    const std::string listing = dlg->ResultText;
    ASSERT_NE(listing.find("\r\n"), std::string::npos);
    ASSERT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->ResultText, listing) << "the text taken back from the box is the one shown";
    const QFont font = dlg->Item<QPlainTextEdit>(IDC_RESULT)->font();
    EXPECT_LE(QFontMetrics(font).height(), 8);
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
}

TEST_F(TestDlgTest, ExecuteDrivesOnePinAndShowsWhatShouldBeTheCase)
{
    dlg->Item<QRadioButton>(1013)->setChecked(true);
    SetPinText("23");
    dlg->Item<QComboBox>(IDC_LEVEL)->setEditText("low");
    QTest::mouseClick(dlg->GetDlgItem(IDC_EXECUTETEST), Qt::LeftButton);
    EXPECT_EQ(Result(), "Pin 23 should now be low.");
    EXPECT_EQ(dlg->LevelText, "low");
    ASSERT_EQ(board.Received().size(), 1u);
    EXPECT_EQ(board.Received()[0][1], DrivePinHigh);
    EXPECT_EQ(board.Received()[0][3], 195);
}

TEST_F(TestDlgTest, ARefusedPinNumberRunsNoTest)
{
    dlg->Item<QRadioButton>(1013)->setChecked(true);
    SetPinText("23");
    ASSERT_TRUE(dlg->UpdateData(true));
    SetPinText("200");
    QTest::mouseClick(dlg->GetDlgItem(IDC_EXECUTETEST), Qt::LeftButton);
    EXPECT_EQ(messages, std::vector<std::string>{"Please enter an integer between 1 and 144."});
    EXPECT_TRUE(board.Received().empty());
    EXPECT_EQ(Result(), "<no tests performed yet>");
}

TEST_F(TestDlgTest, EnterPressesExecuteTest)
{
    dlg->Item<QLineEdit>(IDC_PINNUMBER)->setFocus();
    QTest::keyClick(dlg->GetDlgItem(IDC_PINNUMBER), Qt::Key_Return);
    EXPECT_EQ(Result(), "Now driving all pins HIGH");
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(TestDlgTest, EveryWayOutLeavesTestMode)
{
    for (const char* way : {"Escape", "button", "close box"}) {
        dlg.reset();
        dlg = std::make_unique<CTestDlg>(link);
        dlg->InitDialog();
        dlg->show();
        QTest::mouseClick(dlg->GetDlgItem(IDC_EXECUTETEST), Qt::LeftButton);
        EXPECT_TRUE(board.Board().InTestMode()) << way;
        board.ClearRecord();
        if (std::string(way) == "Escape")
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        else if (std::string(way) == "button")
            QTest::mouseClick(dlg->GetDlgItem(IDCANCEL), Qt::LeftButton);
        else
            dlg->close();
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

}  // namespace
