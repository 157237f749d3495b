#pragma once

#include <QIcon>
#include <atomic>
#include <functional>
#include <utility>
#include <vector>

#include "app/MainWindowHost.h"
#include "board/Board.h"
#include "boardtest/BoardWorker.h"
#include "dialog/Dialog.h"
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
    board::Board& BoardObject() override { return m_board; }
    const board::Clock& Clock() const override { return m_clock; }
    bool UpdateData(bool saveAndValidate) override { return CDialog::UpdateData(saveAndValidate); }
    // On the board's worker: the controls that would start another board operation are
    // disabled and device changes held until shown has run; a window being destroyed waits
    // for work but does not run shown.
    void RunOnBoard(std::function<void()> work, std::function<void()> shown) override;

    // The clock of the stamped log lines and of the programming record; the system's
    // unless set (tests set it before the window opens).
    void SetClock(board::Clock clock) { m_clock = std::move(clock); }

    // boardlink::Reporter
    void LogLine(std::string text) override;
    void LogTimestamped() override;
    void SetProgressRange(int lower, int upper) override;
    void SetProgressPos(int position) override;
    void MessageBox(const std::string& text, const std::string& caption) override;
    bool StopRequested() override { return m_stopRequested; }

    // A board operation runs on the board's worker thread.
    bool Busy() const { return m_worker.Busy(); }
    // The board's worker, shared with the test dialog.
    BoardWorker& Worker() { return m_worker; }

    // Whether a download whose pages all went in is read back and compared with its file
    // (off unless chosen in the window's context menu).
    void SetReadBackAfterDownload(bool on) { m_readBackAfterDownload = on; }
    bool ReadBackAfterDownload() const { return m_readBackAfterDownload; }

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
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    void paintEvent(QPaintEvent* event) override;
    void OnCancel() override;

private:
    void OnBrowse();
    void OnBoardTest();
    void OnDownload();
    void OnPaint();
    // The controls that would start another board operation, disabled while one runs; once
    // the worker is idle, the device changes held meanwhile are handled.
    void OnWorkerBusy(bool busy);
    void OnWorkerIdle();
    void EnableBoardControls(bool enable);
    // The read-back's line in the log: verified, the first differing address, or not read.
    void LogReadBack(const board::Result<board::Comparison>& readBack);
    // Runs show on the UI thread; from the worker, queued (wait: the worker waits for it).
    void OnUiThread(std::function<void()> show, bool wait = false);

    QIcon m_icon;
    boardlink::DeviceWatcher* m_watcher;
    bool m_boardNotificationRegistered = false;
    board::Clock m_clock = board::SystemTime;
    // The board and its link; the link reports to this window.
    board::Board m_board;
    // The thread the board's operations run on; the board is used from it alone while it
    // is not idle.
    BoardWorker m_worker{m_board};
    std::atomic<bool> m_stopRequested = false;
    // A download is running or waiting to run: closing the window asks first.
    bool m_downloading = false;
    bool m_closeWhenDone = false;
    bool m_destroying = false;
    bool m_readBackAfterDownload = false;
    // Device changes that came during a board operation, handled once it is over.
    std::vector<std::pair<uint32_t, boardlink::DeviceNotification>> m_deviceChangesHeld;
};
