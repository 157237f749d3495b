#include "boardtest/TestDlg.h"

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include <QCheckBox>
#include <QFont>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>

#include "board/Board.h"
#include "board/BoardText.h"
#include "board/JtagTests.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
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

// The tests of the dialog, by the position of their radio button.
enum TestChoice : int {
    DriveAllHighTest = 0,
    DriveAllLowTest = 1,
    CapturePinsTest = 4,
    DrivePinTest = 5,
};

// The result text of a Capture pins test whose capture did not occur.
constexpr const char* CaptureRefusedText = "JTAG error: capture did not occur...";
// The result text of a click on the board view whose capture did not occur.
constexpr const char* ClickCaptureRefusedText = "Capture did not occur .... ";

// The level named exactly so: "Low", "Hi-Z", else high.
board::PinLevel LevelNamed(const std::string& text)
{
    if (text == "Low")
        return board::PinLevel::Low;
    if (text == "Hi-Z")
        return board::PinLevel::HiZ;
    return board::PinLevel::High;
}

}  // namespace

CTestDlg::CTestDlg(BoardWorker& worker, QWidget* parent)
    : CDialog(res::TestDlgTemplate, parent), m_worker(worker), m_board(worker.Board()), m_watch(worker)
{
    connect(&m_watch, &PinWatch::Captured, this, &CTestDlg::OnWatchCaptured);
    connect(&m_watch, &PinWatch::CaptureFailed, this, &CTestDlg::OnWatchCaptureFailed);
    connect(&m_watch, &PinWatch::BoardGone, this, &CTestDlg::StopWatch);
    connect(&m_worker, &BoardWorker::BusyChanged, this, [this](bool busy) { EnableBoardControls(!busy); });
}

CTestDlg::CTestDlg(board::Board& board, QWidget* parent)
    : CTestDlg(*new BoardWorker(board), parent)
{
    m_ownWorker.reset(&m_worker);
}

CTestDlg::~CTestDlg()
{
    // What is left of the dialog's work ends before the dialog goes; its endings are not run.
    m_watch.Stop();
    disconnect(&m_worker, nullptr, this, nullptr);
    m_worker.WaitUntilIdle();
}

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
    if (m_worker.Busy())
        return;
    board::Board& board = m_board;
    // The result text says what should now be the case, not what the board confirmed.
    std::function<void()> work;
    switch (TestIndex) {
    case DriveAllHighTest:
        ResultText = "Now driving all pins HIGH";
        work = [&board] { board.DriveAll(true); };
        break;
    case DriveAllLowTest:
        ResultText = "Now driving all pins LOW";
        work = [&board] { board.DriveAll(false); };
        break;
    case CapturePinsTest: {
        auto read = std::make_shared<std::optional<board::Result<pins::Capture>>>();
        m_worker.Run(this, [&board, read] { *read = board.CapturePins(); },
                     [this, read] {
                         if (const board::Result<pins::Capture>& capture = **read) {
                             ResultText = board::text::CaptureListing(*capture);
                             if (m_boardView)
                                 m_boardView->ShowCapture(*capture);
                         } else {
                             ResultText = CaptureRefusedText;
                         }
                         UpdateData(false);
                     });
        return;
    }
    case DrivePinTest:
        if (!board::FindHeaderPosition(PinNumber)) {
            ResultText = "Illegal pin choice ... must be a labeled integer pin number.\r\nCommand ignored.";
            break;
        }
        work = [&board, pin = PinNumber, level = LevelNamed(LevelText)] { board.DrivePin(pin, level); };
        ResultText = "Pin " + std::to_string(PinNumber) + " should now be " + LevelText + ".";
        break;
    default:
        // The two disabled tests and no choice at all: nothing to do.
        break;
    }
    if (!work) {
        UpdateData(false);
        return;
    }
    m_worker.Run(this, std::move(work), [this] { UpdateData(false); });
}

void CTestDlg::OnHeaderPositionClicked(int position)
{
    if (m_worker.Busy())
        return;
    board::Board& board = m_board;
    auto read = std::make_shared<std::optional<board::Result<pins::Capture>>>();
    m_worker.Run(this, [&board, read] { *read = board.CapturePins(); },
                 [this, read, position] {
                     if (const board::Result<pins::Capture>& capture = **read) {
                         ResultText = board::text::HeaderPositionText(*capture, position);
                         if (m_boardView)
                             m_boardView->ShowCapture(*capture);
                         // While watching, the box goes on answering for this pin as the board
                         // changes.
                         if (m_watch.Running())
                             m_followedPosition = position;
                     } else {
                         StopWatch();
                         ResultText = ClickCaptureRefusedText;
                     }
                     ShowResultText();
                 });
}

void CTestDlg::OnLeaveTestMode()
{
    StopWatch();
    // Every way out leaves test mode once; the dialog closes when the board has been told,
    // after any operation still running.
    if (m_leaving)
        return;
    m_leaving = true;
    EnableBoardControls(false);
    board::Board& board = m_board;
    m_worker.Run(this, [&board] { board.LeaveTestMode(); }, [this] { reject(); });
}

void CTestDlg::EnableBoardControls(bool enable)
{
    if (m_leaving)
        enable = false;
    EnableControls({IDC_EXECUTETEST, IDC_WATCHPINS}, enable);
    if (m_boardView)
        m_boardView->setEnabled(enable);
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
    ResultText = m_followedPosition ? board::text::HeaderPositionText(capture, *m_followedPosition)
                                    : board::text::CaptureListing(capture);
    ShowResultText();
}

void CTestDlg::OnWatchCaptureFailed()
{
    StopWatch();
    ResultText = CaptureRefusedText;
    ShowResultText();
}

void CTestDlg::ShowResultText()
{
    // The data exchange would also put the stored pin number and level back over what the
    // user may be typing.
    m_resultBox->setPlainText(QString::fromStdString(ResultText));
}
