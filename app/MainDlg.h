#pragma once

#include <QIcon>

#include "app/Dialog.h"
#include "app/MainWindowHost.h"
#include "link/DeviceWatcher.h"

class QListWidget;
class QProgressBar;

// The main window: what the board's flash remembers, the file to download, the three
// buttons, the progress bar and the activity log.
class CMainDlg final : public CDialog, public MainWindowHost {
    Q_OBJECT
public:
    // watcher: the source of device notifications; none means the board is not followed.
    explicit CMainDlg(usbio::DeviceWatcher* watcher, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // MainWindowHost
    bool UpdateData(bool saveAndValidate) override { return CDialog::UpdateData(saveAndValidate); }
    void SetProgressRange(int lower, int upper) override;
    void SetProgressPos(int position) override;
    void MessageBox(const std::string& text, const std::string& caption) override;

    // usbio::LinkOwner
    void LogLine(std::string text) override;
    void LogTimestamped() override;
    void RegisterBoardNotification() override;

    void ShowLogLine(int index);
    void OnSysCommand(int id);
    bool OnDeviceChange(uint32_t event, const usbio::DeviceNotification& notification);

    QListWidget* ActivityLog = nullptr;
    QProgressBar* m_progress = nullptr;

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnBrowse();
    void OnBoardTest();
    void OnPaint();

    QIcon m_hIcon;
    usbio::DeviceWatcher* m_watcher;
    bool m_hBoardNotify = false;
};
