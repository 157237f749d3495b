#include "app/MainDlg.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>

#include "app/AboutDlg.h"
#include "app/DeviceChange.h"
#include "app/IconPlacement.h"
#include "board/Download.h"
#include "board/InfoBlock.h"
#include "board/LocalTime.h"
#include "boardtest/TestDlg.h"
#include "dialog/DataExchange.h"
#include "dialog/MessageBox.h"
#include "res/AppIcon.h"
#include "res/resource.h"

using namespace board;

CMainDlg::CMainDlg(boardlink::HidBackend& backend, boardlink::DeviceWatcher* watcher, QWidget* parent)
    : CDialog(res::MainDlgTemplate, parent), m_icon(LoadAppIcon()), m_watcher(watcher), m_board(backend), m_link(m_board.Link())
{
    m_link.SetReporter(this);
    m_link.SetBoardFoundHandler([this] { RegisterBoardNotification(); });
}

CMainDlg::~CMainDlg()
{
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
    // The platform's window menu cannot be extended here; the About entry lives in the
    // window's context menu instead (contextMenuEvent).
    setWindowIcon(m_icon);

    LogLine(FormatLocalTime(m_clock, LogTimePrefix) + "Tarvik (V1.02) initialized");
    SetProgrammingMode(m_link, 1);
    InfoBlock sbuf{};
    ReadFlashPage(m_link, 0, sbuf.data());
    ReadFlashPage(m_link, 128, sbuf.data() + FlashPageSize);
    ApplyOpeningDisplay(sbuf, m_link.ReplyReport()[boardlink::StatusByte], *this);
    SetProgressRange(0, 0x7FFF);
    SetProgressPos(0);

    if (CheckJtagChain(m_link) != ChainCheck::Usable)
        LogLine("JTAG boundary scan not enabled .... board tests will not work!");
    SetProgrammingMode(m_link, 0);
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
    RunDownload(m_link, *this, m_clock);
    UpdateData(false);
}

void CMainDlg::OnBoardTest()
{
    CTestDlg testdialog(m_board);
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
    menu.exec(event->globalPos());
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

void CMainDlg::SetProgressRange(int lower, int upper) { m_progress->setRange(lower, upper); }

void CMainDlg::SetProgressPos(int position) { m_progress->setValue(position); }

void CMainDlg::MessageBox(const std::string& text, const std::string& caption)
{
    ShowMessageBox(this, QString::fromStdString(text), QString::fromStdString(caption));
}

void CMainDlg::LogLine(std::string text)
{
    ActivityLog->addItem(QString::fromStdString(text));
    ShowLogLine(ActivityLog->count() - 1);
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
    return HandleDeviceChange(*this, event, notification);
}
