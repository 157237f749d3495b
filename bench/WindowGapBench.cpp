// The longest gap between two ticks of a 1 ms UI-thread timer while a download runs against
// the simulated board with real USB timing (a 1 ms frame per report each way) and one lost
// reply (its read waits out the whole 6000 ms limit). A timed program: it measures the
// download run on the UI thread, as the window ran it before its worker, and the main
// window's Download button, in the same run; then the same for the test dialog's Capture
// pins test whose capture loses its reply, and for the main window's handling of a board
// attached whose first read loses its reply.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "boardtest/TestDlg.h"
#include "board/Board.h"
#include "board/Download.h"
#include "link/BoardLink.h"
#include "res/resource.h"
#include "sim/SimBackend.h"

namespace {

// The reply lost: that many exchanges into the download, among the pages.
constexpr std::size_t LostReplyAt = 200;

std::string WriteFullConfigFile()
{
    const auto path = std::filesystem::temp_directory_path() / ("tarvik-window-gap-" + std::to_string(::getpid()) + ".rbf");
    std::vector<char> bytes(board::MaxConfigFileBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 31 + 7);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

struct Gap {
    qint64 longestMs = 0;
    qint64 totalMs = 0;
};

// Starts start() from the event loop and ticks a 1 ms timer until ended() holds.
Gap MeasureGap(const std::function<void()>& start, const std::function<bool()>& ended)
{
    QEventLoop loop;
    QElapsedTimer clock;
    Gap gap;
    qint64 last = 0;
    bool started = false;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        gap.longestMs = std::max(gap.longestMs, now - last);
        last = now;
        if (started && ended())
            loop.quit();
    });
    QTimer::singleShot(5, [&] {
        started = true;
        start();
    });
    clock.start();
    tick.start();
    loop.exec();
    gap.totalMs = clock.elapsed();
    return gap;
}

// Shows the window and paints it: its first paint is not the operation's, so it is done
// before the ticks start.
void ShowSettled(QWidget& window)
{
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The main window on board, opened and shown, its message boxes going nowhere.
void OpenSettled(CMainDlg& dialog)
{
    dialog.SetMessageBoxHandler([](const MessageBoxRequest&) {});
    dialog.InitDialog();
    ShowSettled(dialog);
}

void Print(const char* what, const Gap& gap)
{
    std::printf("%-44s longest tick gap %6lld ms   operation %6lld ms\n", what, static_cast<long long>(gap.longestMs),
                static_cast<long long>(gap.totalMs));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string file = WriteFullConfigFile();

    Gap onUiThread;
    {
        sim::SimBackend board;
        board.SetRealTiming(true);
        board::Board object(board);
        board.DropNextReply(LostReplyAt);
        onUiThread = MeasureGap([&] { object.Download(file); }, [] { return true; });
    }

    Gap window;
    {
        sim::SimBackend board;
        board.SetRealTiming(true);
        CMainDlg dialog(board, nullptr);
        OpenSettled(dialog);
        dialog.Item<QLineEdit>(IDC_FILE)->setText(QString::fromStdString(file));
        QPushButton* download = dialog.Item<QPushButton>(IDC_DOWNLOAD);
        board.DropNextReply(LostReplyAt);
        window = MeasureGap([&] { download->click(); }, [&] { return download->isEnabled(); });
    }

    Gap captureOnUiThread;
    {
        sim::SimBackend board;
        board.SetRealTiming(true);
        board::Board object(board);
        board.DropNextReply();
        captureOnUiThread = MeasureGap([&] { object.CapturePins(); }, [] { return true; });
    }

    Gap testDialog;
    {
        sim::SimBackend board;
        board.SetRealTiming(true);
        board::Board object(board);
        CTestDlg dialog(object);
        dialog.InitDialog();
        ShowSettled(dialog);
        dialog.Item<QRadioButton>(1012)->setChecked(true);
        QWidget* execute = dialog.GetDlgItem(IDC_EXECUTETEST);
        board.DropNextReply();
        testDialog = MeasureGap([&] { qobject_cast<QPushButton*>(execute)->click(); }, [&] { return dialog.BoardIdle(); });
    }

    Gap attachOnUiThread;
    {
        sim::SimBackend board;
        board.SetRealTiming(true);
        board::Board object(board);
        board.DropNextReply();
        attachOnUiThread = MeasureGap(
            [&] {
                const board::Board::Action action(object);
                object.ReadInfo();
                object.CheckChain();
            },
            [] { return true; });
    }

    Gap attach;
    {
        sim::SimBackend board;
        board.SetRealTiming(true);
        CMainDlg dialog(board, nullptr);
        OpenSettled(dialog);
        board.DropNextReply();
        const boardlink::DeviceNotification boardNode{boardlink::DeviceTypeInterface, sim::SimBackend::DefaultBoardPath};
        attach = MeasureGap([&] { dialog.OnDeviceChange(boardlink::DeviceArrival, boardNode); },
                            [&] { return dialog.Worker().Idle(); });
    }

    Print("download on the UI thread (before)", onUiThread);
    Print("main window's Download button", window);
    Print("capture on the UI thread (before)", captureOnUiThread);
    Print("test dialog's Capture pins test", testDialog);
    Print("attach on the UI thread (before)", attachOnUiThread);
    Print("main window's attach", attach);
    std::filesystem::remove(file);
    return 0;
}
