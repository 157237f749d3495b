#include "app/MainDlg.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>

#include "app/AboutDlg.h"
#include "app/BoardNotification.h"
#include "app/DataExchange.h"
#include "app/IconPlacement.h"
#include "app/LocalTime.h"
#include "app/MessageBox.h"
#include "boardtest/TestDlg.h"
#include "download/Download.h"
#include "res/AppIcon.h"
#include "res/resource.h"

CMainDlg::CMainDlg(usbio::DeviceWatcher* watcher, QWidget* parent)
    : CDialog(res::MainDlgTemplate, parent), m_hIcon(LoadAppIcon()), m_watcher(watcher)
{
}

CMainDlg::~CMainDlg()
{
    if (m_hBoardNotify)
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
    setWindowIcon(m_hIcon);

    LogLine(FormatLocalTime(LogTimePrefix) + "Tarvik (V1.02) initialized");
    SetProgrammingMode(1);
    InfoBlock sbuf{};
    ReadFlashPage(0, sbuf.data());
    ReadFlashPage(128, sbuf.data() + FlashPageSize);
    ApplyOpeningDisplay(sbuf, usbio::ReplyReport[usbio::StatusByte], *this);
    SetProgressRange(0, 0x7FFF);
    SetProgressPos(0);

    if (!JtagChainUsable(*this))
        LogLine("JTAG boundary scan not enabled .... board tests will not work!");
    SetProgrammingMode(0);
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
    case IDC_DOWNLOAD: RunDownload(*this); break;
    default: break;
    }
}

void CMainDlg::OnBoardTest()
{
    CTestDlg testdialog;
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
    m_hIcon.paint(&painter, QRect(origin, QSize(iconSize, iconSize)));
}

void CMainDlg::OnBrowse()
{
    QFileDialog m_ldFile(nullptr, QString(), QString(),
                         QStringLiteral("Raw binary files (*.rbf);;All Files (*.*)"));
    m_ldFile.setAcceptMode(QFileDialog::AcceptOpen);
    m_ldFile.setFileMode(QFileDialog::AnyFile);
    m_ldFile.setDefaultSuffix(QStringLiteral("rbf"));
    if (m_ldFile.exec() != QDialog::Accepted || m_ldFile.selectedFiles().isEmpty())
        return;
    m_strFile = m_ldFile.selectedFiles().first().toStdString();
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

void CMainDlg::LogTimestamped() { LogLine(FormatLocalTime("%m/%d/%Y %H:%M:%S")); }

void CMainDlg::RegisterBoardNotification()
{
    if (m_watcher == nullptr)
        return;
    m_hBoardNotify = m_watcher->Register(
        [this](uint32_t event, const usbio::DeviceNotification& notification) { OnDeviceChange(event, notification); });
}

bool CMainDlg::OnDeviceChange(uint32_t event, const usbio::DeviceNotification& notification)
{
    return HandleDeviceChange(*this, event, notification);
}
