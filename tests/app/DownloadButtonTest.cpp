#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "board/Board.h"
#include "board/Download.h"
#include "dialog/MessageBox.h"
#include "link/Reports.h"
#include "res/resource.h"
#include "sim/SimBackend.h"

namespace {

// Runs the UI thread's events until the window's board operation has ended; the longest
// time the UI thread was away from its events meanwhile, in ms.
qint64 WaitForBoard(const CMainDlg& window)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    while (window.Busy()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    }
    return longest;
}

// The Download button of the real main window: the typed path is taken from the box, the
// file reaches the simulated flash, and the boxes, bar and log show the result.
TEST(DownloadButton, DownloadsTheTypedFile)
{
    sim::SimBackend board;
    CMainDlg window(board, nullptr);
    window.InitDialog();

    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-download-button-" + std::to_string(::getpid()) + ".rbf");
    const std::string content = "a configuration of a few bytes";
    std::ofstream(path, std::ios::binary) << content;
    window.Item<QLineEdit>(IDC_FILE)->setText(QString::fromStdString(path.string()));

    window.Item<QPushButton>(IDC_DOWNLOAD)->click();
    WaitForBoard(window);

    const auto& flash = board.Board().Flash();
    EXPECT_EQ(std::string(flash.begin() + board::ConfigAreaAddress, flash.begin() + board::ConfigAreaAddress + content.size()),
              content);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(flash.data() + 12)), path.string());
    EXPECT_EQ(window.Item<QLineEdit>(IDC_CYCLES)->text(), QStringLiteral("8"));
    EXPECT_EQ(window.m_progress->value(), 32640);
    const int lines = window.ActivityLog->count();
    ASSERT_GE(lines, 2);
    EXPECT_EQ(window.ActivityLog->item(lines - 2)->text().toStdString(),
              "  Read " + std::to_string(content.size()) + " bytes from RBF file");
    EXPECT_TRUE(window.ActivityLog->item(lines - 1)->text().endsWith(QStringLiteral(" FPGA configuration successful")));

    std::filesystem::remove(path);
}

// A file text longer than the box's 100 characters (put there by the program: typing stops
// at the limit) is refused by the data exchange, and the download stops there: nothing is
// sent, and the text stays in the box, selected, for the user to correct.
TEST(DownloadButton, RefusedFileTextSendsNothing)
{
    sim::SimBackend board;
    std::vector<std::string> messages;
    CMainDlg window(board, nullptr);
    window.SetMessageBoxHandler([&](const MessageBoxRequest& r) { messages.push_back(r.text.toStdString()); });
    window.InitDialog();
    board.ClearRecord();
    const auto before = board.Board().Flash();
    const int logLines = window.ActivityLog->count();

    const std::string text = "/tmp/" + std::string(96, 'x');  // 101 characters
    window.m_strFile = text;
    window.UpdateData(false);
    window.Item<QPushButton>(IDC_DOWNLOAD)->click();

    EXPECT_EQ(messages, std::vector<std::string>{"Please enter no more than 100 characters."});
    EXPECT_TRUE(board.Received().empty());
    EXPECT_TRUE(board.Board().Flash() == before);
    EXPECT_EQ(window.ActivityLog->count(), logLines);
    EXPECT_EQ(window.Item<QLineEdit>(IDC_FILE)->text().toStdString(), text);
    EXPECT_EQ(window.Item<QLineEdit>(IDC_FILE)->selectedText().toStdString(), text);
}

// The read-back is off unless chosen; chosen, it follows the download and says how the
// flash compares with the file.
TEST(DownloadButton, ReadBackWhenChosen)
{
    sim::SimBackend board;
    std::vector<std::string> messages;
    CMainDlg window(board, nullptr);
    window.SetMessageBoxHandler([&](const MessageBoxRequest& r) { messages.push_back(r.text.toStdString()); });
    window.InitDialog();
    EXPECT_FALSE(window.ReadBackAfterDownload());
    window.SetReadBackAfterDownload(true);

    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-download-readback-" + std::to_string(::getpid()) + ".rbf");
    std::ofstream(path, std::ios::binary) << "a configuration of a few bytes";
    window.Item<QLineEdit>(IDC_FILE)->setText(QString::fromStdString(path.string()));
    window.Item<QPushButton>(IDC_DOWNLOAD)->click();
    WaitForBoard(window);
    EXPECT_TRUE(messages.empty());

    const int lines = window.ActivityLog->count();
    ASSERT_GE(lines, 2);
    EXPECT_TRUE(window.ActivityLog->item(lines - 2)->text().endsWith(QStringLiteral(" FPGA configuration successful")));
    EXPECT_EQ(window.ActivityLog->item(lines - 1)->text().toStdString(), "  Read-back: verified");
    std::filesystem::remove(path);
}

// A lost reply with real USB timing: its read waits out the whole limit on the board's
// worker, while the window goes on answering events; the controls that would start another
// board operation are disabled until the download has ended.
TEST(DownloadButton, WindowAnswersDuringALostReply)
{
    sim::SimBackend board;
    board.SetRealTiming(true);
    CMainDlg window(board, nullptr);
    window.SetMessageBoxHandler([](const MessageBoxRequest&) {});
    window.InitDialog();
    window.show();

    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-download-lost-" + std::to_string(::getpid()) + ".rbf");
    std::ofstream(path, std::ios::binary) << "a configuration of a few bytes";
    window.Item<QLineEdit>(IDC_FILE)->setText(QString::fromStdString(path.string()));
    // Programming mode, then the block's two pages: the second one's reply is lost.
    board.DropNextReply(2);

    const int linesBefore = window.ActivityLog->count();
    QElapsedTimer clock;
    clock.start();
    window.Item<QPushButton>(IDC_DOWNLOAD)->click();
    for (const int id : {IDC_DOWNLOAD, IDC_BOARDTEST, IDC_BROWSE, IDC_FILE})
        EXPECT_FALSE(window.GetDlgItem(id)->isEnabled()) << id;
    const qint64 longestGap = WaitForBoard(window);

    EXPECT_GE(clock.elapsed(), boardlink::ReadTimeoutMs);
    EXPECT_LT(longestGap, 500);  // the sanitizer build's margin over the 50 ms goal
    for (const int id : {IDC_DOWNLOAD, IDC_BOARDTEST, IDC_BROWSE, IDC_FILE})
        EXPECT_TRUE(window.GetDlgItem(id)->isEnabled()) << id;
    // The download's end line came after the wait.
    std::string log;
    for (int i = linesBefore; i < window.ActivityLog->count(); ++i)
        log += window.ActivityLog->item(i)->text().toStdString() + "\n";
    EXPECT_NE(log.find("Board information block not read"), std::string::npos) << log;
    EXPECT_NE(log.find("FPGA configuration successful"), std::string::npos) << log;

    std::filesystem::remove(path);
}

}  // namespace
