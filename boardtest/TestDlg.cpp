#include "boardtest/TestDlg.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "board/JtagTests.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "link/BoardLink.h"
#include "res/resource.h"
#include "view/BoardViewFrame.h"

namespace {

// The longest text the result box shows is the capture listing: 12 lines of 56 columns.
constexpr int ListingLines = 12;
constexpr int ListingColumns = 56;

// The largest fixed-pitch font in which the whole capture listing fits the box, so that
// it fills the box and its columns stay aligned.
QFont ResultFontFor(const QPlainTextEdit& box)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    const qreal margins = 2 * box.document()->documentMargin();
    const QSizeF room = QSizeF(box.contentsRect().size()) - QSizeF(margins, margins);
    for (int pixels = 16; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        if (metrics.lineSpacing() * ListingLines <= room.height() &&
            metrics.horizontalAdvance(QString(ListingColumns, QLatin1Char('0'))) <= room.width())
            break;
    }
    return font;
}

}  // namespace

CTestDlg::CTestDlg(boardlink::BoardLink& link, QWidget* parent) : CDialog(res::TestDlgTemplate, parent), m_link(link) {}

CTestDlg::~CTestDlg() = default;

void CTestDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Text(IDC_RESULT, ResultText);
    exchange.ComboItem(IDC_LEVEL, LevelText);
    exchange.Int(IDC_PINNUMBER, PinNumber);
    exchange.Range(IDC_PINNUMBER, PinNumber, 1, 144);
    exchange.Radio(IDC_DRIVEALLHIGH, TestIndex);
    m_resultBox = Item<QPlainTextEdit>(IDC_RESULT);
    m_boardViewFrame = Item<QGroupBox>(IDC_BOARDVIEWFRAME);
}

bool CTestDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_resultBox->setFont(ResultFontFor(*m_resultBox));

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
