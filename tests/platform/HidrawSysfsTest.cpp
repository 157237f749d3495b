#include "platform/linux/HidrawSysfs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace boardlink;
using namespace platform;

namespace {

// A sysfs tree in a temporary directory holding the given descriptor for /dev/hidraw3.
class FakeSysfs {
public:
    explicit FakeSysfs(const std::vector<uint8_t>& descriptor)
    {
        const QString device = m_root.path() + "/class/hidraw/hidraw3/device";
        QDir().mkpath(device);
        std::ofstream out((device + "/report_descriptor").toStdString(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(descriptor.data()), static_cast<std::streamsize>(descriptor.size()));
    }
    std::string Root() const { return m_root.path().toStdString(); }

private:
    QTemporaryDir m_root;
};

// 64 bytes in, 64 bytes out, vendor page, no report ids: the shape of the board's reports.
const std::vector<uint8_t> GenericInOut = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00, 0x26,
                                           0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x09, 0x03, 0x15, 0x00,
                                           0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02, 0xC0};

TEST(UsbPortTest, PortFromTheDevicePath)
{
    struct Case {
        const char* path;
        UsbPort port;
    };
    const Case cases[] = {
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299.0004", {1, 2}},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4.2/3-1.4.2:1.0/0003:0925:1299.000A", {3, 1, 4, 2}},
        {"/sys/devices/virtual/misc/uhid/0003:0925:1299.0001", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsbPortInDevicePath(c.path), c.port) << c.path;

    // Ports sort by number, not by text: port 10 comes after port 9.
    std::vector<UsbPort> ports = {{1, 10}, {2, 1}, {1, 9}, {1, 9, 3}};
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<UsbPort>{{1, 9}, {1, 9, 3}, {1, 10}, {2, 1}}));
}


TEST(UsbPortTest, PortOfANodeFromSysfs)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("tarvik-cli-sysfs-" + std::to_string(::getpid()));
    const fs::path device = root / "devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4.2/1-4.2:1.0/0003:0925:1299.0001";
    fs::create_directories(device);
    fs::create_directories(root / "class/hidraw/hidraw3");
    fs::create_directory_symlink(device, root / "class/hidraw/hidraw3/device");

    EXPECT_EQ(UsbPortOfNode(root.string(), "/dev/hidraw3"), (UsbPort{1, 4, 2}));
    EXPECT_EQ(UsbPortOfNode(root.string(), "/dev/hidraw9"), UsbPort{}) << "no such node";
    EXPECT_EQ(UsbPortOfNode(root.string(), "/dev/ttyUSB0"), UsbPort{}) << "not a hidraw node";
    fs::remove_all(root);
}


}  // namespace

TEST(HidrawSysfs, DescriptorPathOnlyForHidrawNodes)
{
    const struct {
        const char* devicePath;
        const char* expected;
    } rows[] = {
        {"/dev/hidraw0", "/sys/class/hidraw/hidraw0/device/report_descriptor"},
        {"/dev/hidraw12", "/sys/class/hidraw/hidraw12/device/report_descriptor"},
        {"hidraw5", "/sys/class/hidraw/hidraw5/device/report_descriptor"},
        {"/dev/hidraw", ""},
        {"/dev/hidraw1x", ""},
        {"/dev/hidraw1/../../etc/passwd", ""},
        {"/dev/usb/hiddev0", ""},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReportDescriptorPath("/sys", row.devicePath), row.expected) << row.devicePath;
}

TEST(HidrawSysfs, CapsFromTheNodesDescriptor)
{
    FakeSysfs sysfs(GenericInOut);
    ReportLengths lengths;
    std::string error;
    ASSERT_TRUE(ReadHidrawCaps(sysfs.Root(), "/dev/hidraw3", lengths, error)) << error;
    EXPECT_EQ(lengths.input, 65);
    EXPECT_EQ(lengths.output, 65);
    EXPECT_EQ(lengths.usagePage, 0xFF00);
    EXPECT_EQ(lengths.usage, 0x0001);
    EXPECT_FALSE(lengths.usesReportIds);
}

TEST(HidrawSysfs, FailuresNameTheFileAndTheCause)
{
    std::vector<uint8_t> cutShort = GenericInOut;
    cutShort.resize(cutShort.size() - 2);  // ends inside the Output item's data
    const struct {
        const char* name;
        std::vector<uint8_t> descriptor;
        const char* devicePath;
        const char* errorContains;
    } rows[] = {
        {"node without a descriptor", GenericInOut, "/dev/hidraw4", "hidraw4/device/report_descriptor: No such file"},
        {"not a hidraw node", GenericInOut, "/dev/input/event3", "/dev/input/event3 is not a hidraw device node"},
        {"descriptor cut short", cutShort, "/dev/hidraw3", "report_descriptor: report descriptor byte 31: item data is cut short"},
        {"descriptor longer than the kernel allows", std::vector<uint8_t>(4097, 0x00), "/dev/hidraw3",
         "report_descriptor is longer than 4096 bytes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeSysfs sysfs(row.descriptor);
        ReportLengths lengths;
        std::string error;
        EXPECT_FALSE(ReadHidrawCaps(sysfs.Root(), row.devicePath, lengths, error));
        EXPECT_NE(error.find(row.errorContains), std::string::npos) << error;
        EXPECT_EQ(lengths.input, 0);
    }
}

TEST(HidrawSysfs, EachNodeExaminedOnceAtItsFirstPlace)
{
    // A node with two top-level collections (keyboard and consumer control) is listed twice.
    const std::vector<HidInterfaceInfo> listed = {
        {"/dev/hidraw2", 0x046D, 0xC31C}, {"/dev/hidraw0", 0x0925, 0x1299}, {"/dev/hidraw2", 0x046D, 0xC31C},
        {"/dev/hidraw1", 0x0925, 0x1299}, {"/dev/hidraw0", 0x0925, 0x1299},
    };
    const std::vector<HidInterfaceInfo> unique = UniqueInterfaces(listed);
    ASSERT_EQ(unique.size(), 3u);
    EXPECT_EQ(unique[0].path, "/dev/hidraw2");
    EXPECT_EQ(unique[1].path, "/dev/hidraw0");
    EXPECT_EQ(unique[2].path, "/dev/hidraw1");
    EXPECT_EQ(unique[1].productId, 0x1299);
}

TEST(HidrawSysfs, IdentityIsTheHidDeviceWithoutItsInstance)
{
    const struct {
        const char* devpath;
        const char* identity;
    } rows[] = {
        {"/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299.0005/hidraw/hidraw3",
         "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299"},
        {"/devices/virtual/misc/uhid/0003:0925:1299.0001/hidraw/hidraw0", "/devices/virtual/misc/uhid/0003:0925:1299"},
        // The kernel's instance counter is four hex digits at least, not at most.
        {"/devices/virtual/misc/uhid/0003:0925:1299.1000A/hidraw/hidraw12", "/devices/virtual/misc/uhid/0003:0925:1299"},
        {"/devices/virtual/misc/uhid/0003:0925:1299/hidraw/hidraw0", ""},
        {"/devices/virtual/misc/uhid/0003:0925:1299./hidraw/hidraw0", ""},
        {"/devices/virtual/misc/uhid/0003:925:1299.0001/hidraw/hidraw0", ""},
        {"/devices/virtual/misc/uhid/0003:0925:12G9.0001/hidraw/hidraw0", ""},
        {"/devices/virtual/misc/uhid/0003:0925:1299.0001/hidraw0", ""},
        {"/devices/virtual/misc/uhid/0003:0925:1299.0001/input/input7", ""},
        {"/devices/virtual/misc/uhid/0003:0925:1299.0001/hidraw/hidraw", ""},
        {"0003:0925:1299.0001/hidraw/hidraw0", ""},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(HidrawDeviceIdentity(row.devpath), row.identity) << row.devpath;
}

// The board search reads the identity from sysfs, the udev watcher from the event: for the
// same node both give the same text.
TEST(HidrawSysfs, IdentityReadFromTheClassLinkMatchesTheDevicePath)
{
    QTemporaryDir root;
    const QString devpath = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299.0005/hidraw/hidraw3";
    ASSERT_TRUE(QDir().mkpath(root.path() + devpath));
    ASSERT_TRUE(QDir().mkpath(root.path() + "/class/hidraw"));
    ASSERT_TRUE(QFile::link("../.." + devpath, root.path() + "/class/hidraw/hidraw3"));
    const std::string sysfs = root.path().toStdString();

    EXPECT_EQ(ReadHidrawIdentity(sysfs, "/dev/hidraw3"), HidrawDeviceIdentity(devpath.toStdString()));
    EXPECT_EQ(ReadHidrawIdentity(sysfs, "/dev/hidraw3"), "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299");
    EXPECT_EQ(ReadHidrawIdentity(sysfs, "/dev/hidraw4"), "") << "a node sysfs does not know";
    EXPECT_EQ(ReadHidrawIdentity(sysfs, "/dev/input/event3"), "") << "not a hidraw node";
    EXPECT_EQ(ReadHidrawIdentity(sysfs + "/missing", "/dev/hidraw3"), "");
}
