#include <gtest/gtest.h>

#include <unistd.h>

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "board/Download.h"
#include "dialog/MessageBox.h"
#include "res/resource.h"
#include "sim/SimBackend.h"

namespace {

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

}  // namespace
