#include "boardtest/TestDlg.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QPlainTextEdit>

#include "app/DataExchange.h"
#include "app/MessageBox.h"
#include "boardtest/JtagTests.h"
#include "link/usbio.h"
#include "res/resource.h"
#include "view/dialoggldlg.h"

CTestDlg* ActiveTestDlg = nullptr;

namespace {
constexpr int ResultFontCellHeight = 8;
}

CTestDlg::CTestDlg(QWidget* parent) : CDialog(res::TestDlgTemplate, parent)
{
    ActiveTestDlg = this;
}

CTestDlg::~CTestDlg()
{
    // A closed dialog must not be written through; the next one sets the pointer anew.
    if (ActiveTestDlg == this)
        ActiveTestDlg = nullptr;
}

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
    m_boardView = std::make_unique<CBoardViewDlg>(m_boardViewFrame);
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
    const std::optional<std::string> result = boardtest::RunTest({TestIndex, PinNumber, LevelText}, [this] {
        if (m_boardView)
            m_boardView->InvalidateView();
    });
    if (result)
        ResultText = *result;
    UpdateData(false);
}

void CTestDlg::OnLeaveTestMode()
{
    usbio::SetCommand(usbio::LeaveTestMode, 1, 0);
    usbio::MainWindow().ExchangeReports();
    reject();
}
