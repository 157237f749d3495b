#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "dialog/Dialog.h"
#include "res/resource.h"
#include "view/BoardViewFrame.h"

namespace {

QAccessibleInterface* AccessibleOf(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); }

std::string NameOf(QWidget* widget) { return AccessibleOf(widget)->text(QAccessible::Name).toStdString(); }

// Every box, list and bar says what it is: the caption beside it, tied to it, or a name of
// its own where the window shows none. (The level box is left out: on Linux an editable
// combo box reports its text as its name, and only its description is its own.)
TEST(Accessibility, EveryBoxListAndBarHasItsName)
{
    struct Row {
        const res::DialogTemplate* dialog;
        int id;
        const char* name;
        bool captionBeside;
    };
    const Row rows[] = {
        {&res::MainDlgTemplate, IDC_SERIAL, "Board serial number", true},
        {&res::MainDlgTemplate, IDC_CYCLES, "Programming cycles", true},
        {&res::MainDlgTemplate, IDC_LASTPROGRAMMED, "Last programmed", true},
        {&res::MainDlgTemplate, IDC_FILE, "FPGA file", true},
        {&res::MainDlgTemplate, IDC_ACTIVITYLOG, "Activity log", false},
        {&res::MainDlgTemplate, IDC_PROGRESS, "Download progress", false},
        {&res::TestDlgTemplate, IDC_PINNUMBER, "Pin number", false},
        {&res::TestDlgTemplate, IDC_RESULT, "Test result", false},
    };
    for (const Row& row : rows) {
        CDialog dialog(*row.dialog, nullptr);
        QWidget* control = dialog.GetDlgItem(row.id);
        ASSERT_NE(control, nullptr) << row.id;
        EXPECT_EQ(NameOf(control), row.name) << row.id;
        QLabel* caption = nullptr;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (label->buddy() == control)
                caption = label;
        EXPECT_EQ(caption != nullptr, row.captionBeside) << row.name;
        if (caption != nullptr) {
            const auto labels = AccessibleOf(control)->relations(QAccessible::Label);
            ASSERT_EQ(labels.size(), 1) << row.name;
            EXPECT_EQ(labels.front().first->text(QAccessible::Name).toStdString(), row.name);
        }
    }
}

// Every control that takes input or shows data is reached with Tab, in the template's order.
TEST(Accessibility, TabReachesEveryBoxInTemplateOrder)
{
    struct Row {
        const res::DialogTemplate* dialog;
        std::vector<int> order;  // from the first control in tab order, once round
    };
    const Row rows[] = {
        {&res::MainDlgTemplate,
         {IDC_DOWNLOAD, IDC_BOARDTEST, IDC_SERIAL, IDC_FILE, IDC_BROWSE, IDC_LASTPROGRAMMED, IDC_ACTIVITYLOG, IDC_CYCLES}},
        {&res::TestDlgTemplate,
         {IDC_DRIVEALLHIGH, IDC_PINNUMBER, IDC_LEVEL, IDC_WATCHPINS, IDC_EXECUTETEST, IDCANCEL, IDC_RESULT}},
    };
    for (const Row& row : rows) {
        CDialog dialog(*row.dialog, nullptr);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        dialog.GetDlgItem(row.order.front())->setFocus(Qt::TabFocusReason);
        std::vector<int> reached;
        for (std::size_t i = 0; i < row.order.size(); ++i) {
            QWidget* focused = QApplication::focusWidget();
            int id = -1;
            for (int candidate : row.order)
                if (dialog.GetDlgItem(candidate) == focused)
                    id = candidate;
            reached.push_back(id);
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        EXPECT_EQ(reached, row.order) << row.dialog->id;
    }
}

// The board view tells what it shows and where the same states are given as text.
TEST(Accessibility, BoardViewNamesItselfAndPointsToTheResultBox)
{
    BoardViewFrame view;
    QAccessibleInterface* accessible = AccessibleOf(&view);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), "Board picture");
    EXPECT_NE(accessible->text(QAccessible::Description).indexOf("Test result"), -1);
}

}  // namespace
