#include "app/MainDlg.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMessageBox>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>

#include "app/AboutDlg.h"
#include "app/BoardDisplay.h"
#include "app/DeviceChange.h"
#include "app/SystemMenu.h"
#include "app/IconPlacement.h"
#include "board/BoardText.h"
#include "board/LeadingInt.h"
#include "board/LocalTime.h"
#include "boardtest/TestDlg.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "res/AppIcon.h"
#include "res/resource.h"

using namespace board;

CMainDlg::CMainDlg(boardlink::HidBackend& backend, boardlink::DeviceWatcher* watcher, QWidget* parent)
    : CDialog(res::MainDlgTemplate, parent), m_icon(LoadAppIcon()), m_watcher(watcher),
      // The programming record is stamped by the window's clock, which tests may set.
      m_board(backend, [this] { return m_clock(); })
{
    m_board.SetReporter(this);
    m_board.SetBoardFoundHandler([this] { OnUiThread([this] { RegisterBoardNotification(); }); });
    connect(&m_worker, &BoardWorker::BusyChanged, this, &CMainDlg::OnWorkerBusy);
    connect(&m_worker, &BoardWorker::BecameIdle, this, &CMainDlg::OnWorkerIdle);
}

CMainDlg::~CMainDlg()
{
    // A window destroyed during a board operation stops it after the page in flight; the
    // worker's lines and boxes still come here while it ends, but what the window does when
    // an operation ends is not for a window being destroyed.
    m_destroying = true;
    m_stopRequested = true;
    m_worker.WaitUntilIdle();
    if (m_boardNotificationRegistered)
        m_watcher->Unregister();
}

void CMainDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Text(IDC_SERIAL, m_strSerial, 12);
    exchange.Text(IDC_LASTPROGRAMMED, m_strLastProgrammed, 40);
    exchange.Text(IDC_FILE, m_strFile, 100);
    ActivityLog = Item<QListWidget>(IDC_ACTIVITYLOG);
    exchange.Text(IDC_CYCLES, m_strCycles, 12);
    m_progress = Item<QProgressBar>(IDC_PROGRESS);
}

bool CMainDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The About entry goes into the system menu where the platform has one to extend, and is
    // in the window's context menu everywhere (contextMenuEvent).
    AddToSystemMenu(*this, IDM_ABOUTBOX, res::AboutBoxMenuText);
    setWindowIcon(m_icon);

    LogLine(FormatLocalTime(m_clock, LogTimePrefix) + "Tarvik (V1.02) initialized");
    {
        // One action: a board that has stopped answering costs the opening two read time
        // limits at most.
        const Board::Action action(m_board);
        m_board.SetProgrammingMode(true);
        ShowOpeningInfo(m_board.ReadInfo(), *this);
        SetProgressRange(0, 0x7FFF);
        SetProgressPos(0);
        if (const auto line = ChainLine(m_board.CheckChain(), "JTAG boundary scan not enabled .... board tests will not work!"))
            LogLine(*line);
        m_board.SetProgrammingMode(false);
    }
    UpdateData(false);
    if (QWidget* download = GetDlgItem(IDC_DOWNLOAD))
        download->setFocus(Qt::OtherFocusReason);
    return true;
}

void CMainDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_BROWSE: OnBrowse(); break;
    case IDC_BOARDTEST: OnBoardTest(); break;
    case IDC_DOWNLOAD: OnDownload(); break;
    default: break;
    }
}

void CMainDlg::OnDownload()
{
    // The file text is taken from its box first; the boxes show the outcome after. A box
    // text that was refused has shown its message and waits, selected, to be corrected:
    // nothing is sent for it.
    if (!UpdateData(true))
        return;
    m_stopRequested = false;
    m_downloading = true;
    RunOnBoard(
        [this, file = m_strFile, readBack = m_readBackAfterDownload] {
            // The file text names the file and, for a blank board, its number.
            DownloadEvents events(*this);
            m_board.SetObserver(&events);
            const Result<DownloadResult> result = m_board.Download(file, board::SerialFromFileText(file));
            m_board.SetObserver(nullptr);
            // The boxes and the end of the log are the UI thread's; the worker goes on once
            // a message box has been read, as on the UI thread.
            OnUiThread(
                [this, &result] {
                    if (!m_destroying)
                        ShowDownloadResult(result, *this);
                },
                true);
            if (readBack && !m_stopRequested && result && result->EveryPageWritten())
                LogReadBack(m_board.ReadBack(file));
        },
        [this] {
            m_downloading = false;
            UpdateData(false);
        });
}

void CMainDlg::RunOnBoard(std::function<void()> work, std::function<void()> shown)
{
    // What the window does when an operation ends is not for a window being destroyed.
    m_worker.Run(this, std::move(work), [this, shown = std::move(shown)] {
        if (!m_destroying)
            shown();
    });
}

void CMainDlg::LogReadBack(const board::Result<board::Comparison>& readBack)
{
    if (!readBack)
        LogLine("  Read-back: not read back");
    else if (readBack->has_value())
        LogLine("  Read-back: differs at " + board::text::Address((*readBack)->address));
    else
        LogLine("  Read-back: verified");
}

void CMainDlg::OnWorkerBusy(bool busy)
{
    if (m_destroying)
        return;
    EnableBoardControls(!busy);
    if (!busy && m_closeWhenDone)
        CDialog::OnCancel();
}

void CMainDlg::OnWorkerIdle()
{
    // A window that has closed after its download reads no board attached meanwhile.
    if (m_destroying || m_closeWhenDone)
        return;
    for (const auto& [event, notification] : std::exchange(m_deviceChangesHeld, {}))
        OnDeviceChange(event, notification);
}

void CMainDlg::EnableBoardControls(bool enable)
{
    EnableControls({IDC_DOWNLOAD, IDC_BOARDTEST, IDC_BROWSE, IDC_FILE}, enable);
}

void CMainDlg::OnUiThread(std::function<void()> show, bool wait)
{
    if (QThread::currentThread() == thread()) {
        show();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(show), wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

void CMainDlg::OnCancel()
{
    // An attach's reads leave nothing half-done on the board: the window closes at once, and
    // goes once they have ended (see the destructor).
    if (!m_downloading) {
        CDialog::OnCancel();
        return;
    }
    // Closing during a download asks first; going on stops it after the page in flight,
    // and the window closes when it has ended as a failed download ends.
    if (m_closeWhenDone)
        return;
    const auto answer = QMessageBox::question(
        this, windowTitle(),
        QStringLiteral("A download is in progress. Stop it after the page being written and close? "
                       "The board then holds a partial configuration until the next download."),
        // Enter or a stray click keeps the download going: stopping it is the step to choose.
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes || !m_downloading)
        return;
    m_stopRequested = true;
    m_closeWhenDone = true;
}

void CMainDlg::OnBoardTest()
{
    CTestDlg testdialog(m_worker);
    SetProgressPos(0);
    testdialog.DoModal();
    UpdateData(false);
}

void CMainDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QString::fromUtf8(res::AboutBoxMenuText), this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    // The read-back lives here, beside About, so that no control of the window moves.
    QAction* readBack = menu.addAction(QStringLiteral("Read back after download"));
    readBack->setCheckable(true);
    readBack->setChecked(m_readBackAfterDownload);
    connect(readBack, &QAction::toggled, this, [this](bool on) { m_readBackAfterDownload = on; });
    menu.exec(event->globalPos());
}

bool CMainDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (const std::optional<int> command = SystemMenuCommand(eventType, message)) {
        OnSysCommand(*command);
        *result = 0;
        return true;
    }
    return CDialog::nativeEvent(eventType, message, result);
}

void CMainDlg::paintEvent(QPaintEvent* event)
{
    if (isMinimized()) {
        OnPaint();
        return;
    }
    CDialog::paintEvent(event);
}

void CMainDlg::OnPaint()
{
    QPainter painter(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize);
    painter.eraseRect(rect());
    const QPoint origin = IconOrigin(width(), height(), iconSize, iconSize);
    m_icon.paint(&painter, QRect(origin, QSize(iconSize, iconSize)));
}

void CMainDlg::OnBrowse()
{
    QFileDialog chooser(nullptr, QString(), QString(), QStringLiteral("Raw binary files (*.rbf);;All Files (*.*)"));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setDefaultSuffix(QStringLiteral("rbf"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    m_strFile = chooser.selectedFiles().first().toStdString();
    UpdateData(false);
}

void CMainDlg::SetProgressRange(int lower, int upper)
{
    OnUiThread([this, lower, upper] { m_progress->setRange(lower, upper); });
}

void CMainDlg::SetProgressPos(int position)
{
    OnUiThread([this, position] { m_progress->setValue(position); });
}

void CMainDlg::MessageBox(const std::string& text, const std::string& caption)
{
    // The operation goes on once the user has read the box, as on the UI thread.
    OnUiThread([this, text, caption] { ShowMessageBox(this, QString::fromStdString(text), QString::fromStdString(caption)); },
               true);
}

void CMainDlg::LogLine(std::string text)
{
    OnUiThread([this, text = std::move(text)] {
        ActivityLog->addItem(QString::fromStdString(text));
        ShowLogLine(ActivityLog->count() - 1);
    });
}

void CMainDlg::ShowLogLine(int index)
{
    QListWidgetItem* line = ActivityLog->item(index);
    ActivityLog->setCurrentItem(line);
    ActivityLog->scrollToItem(line);
    ActivityLog->clearSelection();
}

void CMainDlg::LogTimestamped() { LogLine(FormatLocalTime(m_clock, "%m/%d/%Y %H:%M:%S")); }

void CMainDlg::RegisterBoardNotification()
{
    if (m_watcher == nullptr)
        return;
    m_boardNotificationRegistered = m_watcher->Register(
        [this](uint32_t event, const boardlink::DeviceNotification& notification) { OnDeviceChange(event, notification); });
}

bool CMainDlg::OnDeviceChange(uint32_t event, const boardlink::DeviceNotification& notification)
{
    // The board is the worker's until its work has ended.
    if (!m_worker.Idle()) {
        m_deviceChangesHeld.emplace_back(event, notification);
        return true;
    }
    return HandleDeviceChange(*this, event, notification);
}
