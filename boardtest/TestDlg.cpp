#include "boardtest/TestDlg.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QPlainTextEdit>

#include "board/JtagTests.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "link/BoardLink.h"
#include "res/resource.h"
#include "view/BoardViewFrame.h"

namespace {
constexpr int ResultFontCellHeight = 8;
}

CTestDlg::CTestDlg(boardlink::BoardLink& link, QWidget* parent) : CDialog(res::TestDlgTemplate, parent), m_link(link) {}

CTestDlg::~CTestDlg() = default;

void CTestDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Text(IDC_RESULT, ResultText);
    exchange.ComboText(IDC_LEVEL, LevelText);
    exchange.Int(IDC_PINNUMBER, PinNumber);
    exchange.Range(IDC_PINNUMBER, PinNumber, 1, 144);
    exchange.Radio(IDC_DRIVEALLHIGH, TestIndex);
    m_resultBox = Item<QPlainTextEdit>(IDC_RESULT);
    m_boardViewFrame = Item<QGroupBox>(IDC_BOARDVIEWFRAME);
}

bool CTestDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Courier of 8 pixels cell height (ascent and descent together), normal weight.
    m_resultFont = QFont(QStringLiteral("Courier"));
    m_resultFont.setStyleHint(QFont::TypeWriter);
    m_resultFont.setWeight(QFont::Normal);
    for (int pixels = ResultFontCellHeight; pixels > 1; --pixels) {
        m_resultFont.setPixelSize(pixels);
        if (QFontMetrics(m_resultFont).height() <= ResultFontCellHeight)
            break;
    }
    m_resultBox->setFont(m_resultFont);

    if (m_boardViewFrame == nullptr) {
        ShowMessageBox(this, QStringLiteral("Error creating Dialog"));
        return true;
    }
    m_boardView = std::make_unique<BoardViewFrame>(m_boardViewFrame);
    connect(m_boardView.get(), &BoardViewFrame::HeaderPositionClicked, this, &CTestDlg::OnHeaderPositionClicked);
    m_boardView->show();
    return true;
}

void CTestDlg::OnCommand(int id)
{
    if (id == IDC_EXECUTETEST)
        OnExecuteTest();
    else if (id == IDCANCEL)
        OnLeaveTestMode();
}

void CTestDlg::OnCancel() { OnLeaveTestMode(); }

void CTestDlg::OnExecuteTest()
{
    // A refused value has already been shown with its message; running a test on the
    // values of an earlier exchange (another pin than the one typed) would drive a pin the
    // user did not ask for.
    if (!UpdateData(true))
        return;
    const board::TestOutcome outcome = board::RunTest(m_link, {TestIndex, PinNumber, LevelText});
    if (outcome.capture && m_boardView)
        m_boardView->ShowCapture(*outcome.capture);
    if (outcome.resultText)
        ResultText = *outcome.resultText;
    UpdateData(false);
}

void CTestDlg::OnHeaderPositionClicked(int position)
{
    pins::Capture capture{};
    if (board::CapturePins(m_link, capture)) {
        ResultText = board::HeaderPositionText(capture, position);
        if (m_boardView)
            m_boardView->ShowCapture(capture);
    } else {
        ResultText = board::ClickCaptureRefusedText;
    }
    UpdateData(false);
}

void CTestDlg::OnLeaveTestMode()
{
    board::LeaveBoardTestMode(m_link);
    reject();
}
