#include <QApplication>
#include <gtest/gtest.h>

// One QApplication for every suite, so that tests can build the real dialogs; suites that
// never show a window run on any platform plugin.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
