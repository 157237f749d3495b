#include "boardtest/TestDlg.h"

#include <cmath>

#include <QCheckBox>
#include <QFont>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>

#include "board/JtagTests.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "board/Board.h"
#include "link/BoardLink.h"
#include "res/resource.h"
#include "view/BoardViewFrame.h"

namespace {

// The result box was laid out for the capture listing, its longest text (12 lines of 56
// columns), in a fixed-pitch font of 8 pixels per character.
constexpr int ListingLines = 12;
constexpr int ResultCharacterPixels = 8;

// The largest fixed-pitch font whose 12 lines fit the box, its characters spaced to
// exactly 8 pixels, so that the listing fills the box across and every column lands on the
// box's grid. The box lays its lines out at the font's own line spacing.
QFont ResultFontFor(const QPlainTextEdit& box)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    // The dialog's own font is narrowed; the listing's must not inherit that.
    font.setStretch(QFont::Unstretched);
    const qreal room = box.contentsRect().height() - 2 * box.document()->documentMargin();
    for (int pixels = 16; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        if (metrics.lineSpacing() * ListingLines <= room &&
            metrics.horizontalAdvance(QLatin1Char('0')) <= ResultCharacterPixels)
            break;
    }
    font.setLetterSpacing(QFont::AbsoluteSpacing,
                          ResultCharacterPixels - QFontMetricsF(font).horizontalAdvance(QLatin1Char('0')));
    return font;
}

// The refresh rate assumed where the screen reports none.
constexpr qreal DefaultRefreshHz = 60;

}  // namespace

CTestDlg::CTestDlg(board::Board& board, QWidget* parent)
    : CDialog(res::TestDlgTemplate, parent), m_board(board), m_link(board.Link()), m_watch(board)
{
    connect(&m_watch, &PinWatch::Captured, this, &CTestDlg::OnWatchCaptured);
    connect(&m_watch, &PinWatch::CaptureFailed, this, &CTestDlg::OnWatchCaptureFailed);
    connect(&m_watch, &PinWatch::BoardGone, this, &CTestDlg::StopWatch);
}

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
    m_watchBox = Item<QCheckBox>(IDC_WATCHPINS);
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
    else if (id == IDC_WATCHPINS)
        OnWatchPins();
    else if (id == IDCANCEL)
        OnLeaveTestMode();
}

void CTestDlg::OnCancel() { OnLeaveTestMode(); }

void CTestDlg::OnExecuteTest()
{
    // A test changes what the pins do; the watch would only paint over its result.
    StopWatch();
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
    if (const board::Result<pins::Capture> read = m_board.CapturePins()) {
        const pins::Capture& capture = *read;
        ResultText = board::HeaderPositionText(capture, position);
        if (m_boardView)
            m_boardView->ShowCapture(capture);
        // While watching, the box goes on answering for this pin as the board changes.
        if (m_watch.Running())
            m_followedPosition = position;
    } else {
        StopWatch();
        ResultText = board::ClickCaptureRefusedText;
    }
    ShowResultText();
}

void CTestDlg::OnLeaveTestMode()
{
    StopWatch();
    m_board.LeaveTestMode();
    reject();
}

std::chrono::milliseconds CTestDlg::WatchInterval() const
{
    if (m_watchInterval)
        return *m_watchInterval;
    const qreal hz = screen() != nullptr && screen()->refreshRate() > 0 ? screen()->refreshRate() : DefaultRefreshHz;
    // Rounded up, so that the watch never captures more often than the screen shows.
    return std::chrono::milliseconds(static_cast<int>(std::ceil(1000 / hz)));
}

void CTestDlg::OnWatchPins()
{
    if (m_watchBox->isChecked()) {
        m_followedPosition.reset();
        m_watch.Start(WatchInterval());
    } else {
        StopWatch();
    }
}

void CTestDlg::StopWatch()
{
    m_watch.Stop();
    m_followedPosition.reset();
    if (m_watchBox != nullptr)
        m_watchBox->setChecked(false);
}

void CTestDlg::OnWatchCaptured(const pins::Capture& capture)
{
    if (m_boardView)
        m_boardView->ShowCapture(capture);
    ResultText = m_followedPosition ? board::HeaderPositionText(capture, *m_followedPosition)
                                    : board::CaptureListing(capture);
    ShowResultText();
}

void CTestDlg::OnWatchCaptureFailed()
{
    StopWatch();
    ResultText = board::CaptureRefusedText;
    ShowResultText();
}

void CTestDlg::ShowResultText()
{
    // The data exchange would also put the stored pin number and level back over what the
    // user may be typing.
    m_resultBox->setPlainText(QString::fromStdString(ResultText));
}
