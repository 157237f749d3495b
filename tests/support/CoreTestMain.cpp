#include <QCoreApplication>
#include <gtest/gtest.h>

// One QCoreApplication for every suite of the core: the device watchers deliver through
// its event loop, and nothing in the core needs more.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
