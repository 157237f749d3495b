#include "platform/linux/HidapiBackend.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

using namespace boardlink;
using namespace platform;

TEST(HidapiBackend, OpenFailureGivesTheSystemsReason)
{
    QTemporaryDir dir;
    const std::string missing = dir.path().toStdString() + "/hidraw7";
    EXPECT_EQ(OpenFailureReason(missing, "hidapi text"), "No such file or directory");

    const QString node = dir.path() + "/hidraw8";
    QFile file(node);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // Accessible node: the failure came from hidapi's later steps, so its text stays.
    EXPECT_EQ(OpenFailureReason(node.toStdString(), "hidapi text"), "hidapi text");
}

TEST(HidapiBackend, NodeTheUserMayNotOpenReadsPermissionDenied)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root, which may open every node: permission denied cannot happen here";
    QTemporaryDir dir;
    const QString node = dir.path() + "/hidraw8";
    QFile file(node);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    file.setPermissions(QFileDevice::ReadOwner);
    EXPECT_EQ(OpenFailureReason(node.toStdString(), "hidapi text"), "Permission denied");
}

TEST(HidapiBackend, CallsOnUnknownPathsAndHandlesFailWithTheirCause)
{
    HidapiBackend backend;
    backend.EnumerateInterfaces();
    EXPECT_EQ(backend.Open("/dev/hidraw-not-there", HidAccess::Write), InvalidHidHandle);
    EXPECT_EQ(backend.LastError(), "/dev/hidraw-not-there is not among the HID devices present");

    uint8_t report[65] = {};
    HidCaps caps;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    EXPECT_FALSE(backend.GetAttributes(42, vendorId, productId));
    EXPECT_EQ(backend.LastError(), "attributes: no open device has handle 42");
    EXPECT_FALSE(backend.GetCaps(42, caps));
    EXPECT_FALSE(backend.Write(42, report, sizeof report));
    EXPECT_EQ(backend.LastError(), "write: no open device has handle 42");
    EXPECT_EQ(backend.Read(42, report, sizeof report, 0), HidReadResult::Failed);
    EXPECT_EQ(backend.LastError(), "read: no open device has handle 42");
    backend.Cancel(42);
    backend.Close(42);
}
