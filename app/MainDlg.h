#pragma once

#include <QIcon>

#include "app/MainWindowHost.h"
#include "dialog/Dialog.h"
#include "board/Board.h"
#include "link/BoardLink.h"
#include "link/DeviceWatcher.h"

class QListWidget;
class QProgressBar;

// The main window: what the board's flash remembers, the file to download, the three
// buttons, the progress bar and the activity log. It holds the link to the board on
// backend, which reports into its log, bar and message boxes.
class CMainDlg final : public CDialog, public MainWindowHost {
    Q_OBJECT
public:
    // watcher: the source of device notifications; none means the board is not followed.
    CMainDlg(boardlink::HidBackend& backend, boardlink::DeviceWatcher* watcher, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // MainWindowHost
    boardlink::BoardLink& Link() override { return m_link; }
    const board::Clock& Clock() const override { return m_clock; }
    bool UpdateData(bool saveAndValidate) override { return CDialog::UpdateData(saveAndValidate); }

    // The clock of the stamped log lines and of the programming record; the system's
    // unless set (tests set it before the window opens).
    void SetClock(board::Clock clock) { m_clock = std::move(clock); }

    // boardlink::Reporter
    void LogLine(std::string text) override;
    void LogTimestamped() override;
    void SetProgressRange(int lower, int upper) override;
    void SetProgressPos(int position) override;
    void MessageBox(const std::string& text, const std::string& caption) override;

    // Replaces any earlier registration, so that exactly one is in force.
    void RegisterBoardNotification();

    void ShowLogLine(int index);
    void OnSysCommand(int id);
    bool OnDeviceChange(uint32_t event, const boardlink::DeviceNotification& notification);

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
    void OnDownload();
    void OnPaint();

    QIcon m_icon;
    boardlink::DeviceWatcher* m_watcher;
    bool m_boardNotificationRegistered = false;
    board::Clock m_clock = board::SystemTime;
    // The board and its link; the link reports to this window.
    board::Board m_board;
    boardlink::BoardLink& m_link;
};
