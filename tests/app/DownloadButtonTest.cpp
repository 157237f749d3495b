#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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

// Opens the window as a person sees it, active, with the focus on Download.
void Show(CMainDlg& window)
{
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Types the file name as a person does: into the file box, over the text it shows, then Tab
// moves the focus on.
void TypeFileName(CMainDlg& window, const std::string& name)
{
    auto* box = window.Item<QLineEdit>(IDC_FILE);
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, QString::fromStdString(name));
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(box->text().toStdString(), name);
}

// A file of the given content in the temporary folder, named for this test run.
std::filesystem::path WriteFile(const std::string& name, const std::string& content)
{
    const auto path = std::filesystem::temp_directory_path() / ("tarvik-" + name + "-" + std::to_string(::getpid()) + ".rbf");
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// The main window on board, opened and shown, its message boxes going nowhere.
void Open(CMainDlg& window)
{
    window.SetMessageBoxHandler([](const MessageBoxRequest&) {});
    window.InitDialog();
    Show(window);
}

// The Download button of the real main window: the typed path is taken from the box, the
// file reaches the simulated flash, and the boxes, bar and log show the result.
TEST(DownloadButton, DownloadsTheTypedFile)
{
    sim::SimBackend board;
    CMainDlg window(board, nullptr);
    window.InitDialog();
    Show(window);

    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-download-button-" + std::to_string(::getpid()) + ".rbf");
    const std::string content = "a configuration of a few bytes";
    std::ofstream(path, std::ios::binary) << content;
    TypeFileName(window, path.string());

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
    Show(window);
    EXPECT_FALSE(window.ReadBackAfterDownload());
    window.SetReadBackAfterDownload(true);

    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-download-readback-" + std::to_string(::getpid()) + ".rbf");
    std::ofstream(path, std::ios::binary) << "a configuration of a few bytes";
    TypeFileName(window, path.string());
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
    Open(window);
    const auto path = WriteFile("download-lost", "a configuration of a few bytes");
    TypeFileName(window, path.string());
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

// Closing the window during a download asks first. Going on stops the download after the
// page in flight; it ends as a failed download ends, and the board holds what the window
// said: the pages before the stop, the old information block, the FPGA held. Staying lets
// the download finish.
TEST(DownloadButton, ClosingDuringADownloadAsksFirst)
{
    for (const bool goOn : {true, false}) {
        SCOPED_TRACE(goOn ? "go on" : "stay");
        sim::SimBackend board;
        // Slow enough that the question comes while pages are being written.
        board.SetLatencyMicroseconds(3000);
        const auto flashBefore = board.Board().Flash();
        CMainDlg window(board, nullptr);
        Open(window);
        const std::string content(20000, 'c');
        const auto path = WriteFile("download-close", content);
        TypeFileName(window, path.string());
        window.Item<QPushButton>(IDC_DOWNLOAD)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.m_progress->value() > 0; }, 10000));

        std::string question;
        QTimer::singleShot(0, [&] {
            // The question is modal over the window; it is answered once it is open.
            if (!QTest::qWaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }))
                return;
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = box->text().toStdString();
                EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No)) << "Enter keeps the download going";
                box->button(goOn ? QMessageBox::Yes : QMessageBox::No)->click();
            }
        });
        window.close();
        EXPECT_NE(question.find("A download is in progress."), std::string::npos) << question;
        WaitForBoard(window);
        QApplication::processEvents();

        const auto& flash = board.Board().Flash();
        const int lines = window.ActivityLog->count();
        const std::string last = window.ActivityLog->item(lines - 1)->text().toStdString();
        if (goOn) {
            EXPECT_FALSE(window.isVisible()) << "the window closed once the download had ended";
            EXPECT_TRUE(last.ends_with(" Flash memory update unsuccessful")) << last;
            // The pages up to the one in flight hold the file, the rest what they held.
            const std::size_t written = static_cast<std::size_t>(window.m_progress->value()) + 128;
            EXPECT_LT(written, board::MaxConfigFileBytes);
            const auto area = flash.begin() + board::ConfigAreaAddress;
            EXPECT_EQ(std::string(area, area + static_cast<long>(std::min(written, content.size()))),
                      content.substr(0, written));
            EXPECT_TRUE(std::equal(area + static_cast<long>(written), flash.end(),
                                   flashBefore.begin() + board::ConfigAreaAddress + static_cast<long>(written)));
            EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + 256, flashBefore.begin()))
                << "the information block is as it was";
            EXPECT_TRUE(board.Board().InProgrammingMode());
            EXPECT_EQ(window.Item<QLineEdit>(IDC_CYCLES)->text(), QStringLiteral("7"));
        } else {
            EXPECT_TRUE(window.isVisible());
            EXPECT_TRUE(last.ends_with(" FPGA configuration successful")) << last;
            const auto area = flash.begin() + board::ConfigAreaAddress;
            EXPECT_EQ(std::string(area, area + static_cast<long>(content.size())), content);
            EXPECT_EQ(window.Item<QLineEdit>(IDC_CYCLES)->text(), QStringLiteral("8"));
        }
        std::filesystem::remove(path);
    }
}

}  // namespace
