// The parts of tarvik-uhid-board that need no kernel: what it makes of an output report, its
// fault plan and its settings. The device itself is tested in the VM (RealKernelTest).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimBoard.h"
#include "uhid/BoardSettings.h"
#include "uhid/ExchangeFaults.h"
#include "uhid/UhidDevice.h"
#include "uhid/VirtualBoard.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

// Payloads of four bytes keep the rows readable; the board's are 64.
TEST(VirtualBoard, OutputReportBecomesACommandReportWithOneIdByte)
{
    struct Row {
        const char* label;
        std::vector<uint8_t> output;
        std::vector<uint8_t> command;
    };
    const Row rows[] = {
        {"the report id 0 uhid passes on is dropped", Bytes({0, '2', 16, 0, 1}), Bytes({0, '2', 16, 0, 1})},
        {"a payload without the id byte is taken whole", Bytes({'2', 16, 0, 1}), Bytes({0, '2', 16, 0, 1})},
        {"a long report whose first byte is not 0 is payload", Bytes({'2', 16, 0, 1, 9}), Bytes({0, '2', 16, 0, 1})},
        {"a short report reads zeros behind it", Bytes({'2'}), Bytes({0, '2', 0, 0, 0})},
        {"an empty report is all zeros", {}, Bytes({0, 0, 0, 0, 0})},
    };
    for (const Row& row : rows)
        EXPECT_EQ(uhid::CommandFromOutput(row.output, 4), row.command) << row.label;
}

TEST(VirtualBoard, FaultPlanCountsExchangesFromNow)
{
    uhid::ExchangeFaultPlan plan;
    EXPECT_EQ(plan.Add("no-reply", 0), "");
    EXPECT_EQ(plan.Add("late-reply:2", 10), "");
    EXPECT_EQ(plan.Take(1), uhid::ExchangeFault::NoReply);
    EXPECT_EQ(plan.Take(1), std::nullopt) << "a fault hits one exchange only";
    EXPECT_EQ(plan.Take(12), std::nullopt);
    EXPECT_EQ(plan.Take(13), uhid::ExchangeFault::LateReply);
}

TEST(VirtualBoard, FaultTextsThatAreRefusedSayWhy)
{
    struct Row {
        const char* text;
        const char* reason;
    };
    const Row rows[] = {
        {"no-replies", "no such fault (no-reply, late-reply, refused, garbled-status, unplug, drop-out, hang)"},
        {"no-reply:", "\"\" is not a count of exchanges"},
        {"no-reply:two", "\"two\" is not a count of exchanges"},
        {"no-reply:-1", "\"-1\" is not a count of exchanges"},
        {"no-reply:3x", "\"3x\" is not a count of exchanges"},
    };
    for (const Row& row : rows) {
        uhid::ExchangeFaultPlan plan;
        const std::string error = plan.Add(row.text, 0);
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.text << ": " << error;
        EXPECT_EQ(plan.Take(1), std::nullopt) << row.text;
    }
}

TEST(VirtualBoard, SettingsChangeTheFirmwareModelOrSayWhyNot)
{
    struct Row {
        const char* name;
        const char* value;
        const char* error;  // empty: accepted
    };
    const Row rows[] = {
        {"serial", "1234", ""},
        {"serial", "0x10", ""},
        {"serial", "65536", "serial number \"65536\" is not a number from 0 to 65535"},
        {"serial", "12ab", "serial number \"12ab\" is not a number from 0 to 65535"},
        {"refuse-page", "0x0100", ""},
        {"refuse-page", "", "flash address \"\" is not a number from 0 to 65535"},
        {"status", "9=E", ""},
        {"status", "9=", ""},
        {"status", "9E", "status override \"9E\" is not COMMAND=STATUS"},
    };
    for (const Row& row : rows) {
        sim::SimBoard board;
        const uhid::BoardSetting* setting = uhid::FindBoardSetting(row.name);
        ASSERT_NE(setting, nullptr) << row.name;
        const std::string error = setting->apply(board, row.value);
        if (*row.error == '\0')
            EXPECT_EQ(error, "") << row.name << " " << row.value;
        else
            EXPECT_NE(error.find(row.error), std::string::npos) << row.name << " " << row.value << ": " << error;
    }
    EXPECT_EQ(uhid::FindBoardSetting("no-such-setting"), nullptr);

    sim::SimBoard board;
    uhid::FindBoardSetting("serial")->apply(board, "1234");
    EXPECT_EQ(board.Flash()[0] | (board.Flash()[1] << 8), 1234);
    uhid::FindBoardSetting("jtag-off")->apply(board, "");
    EXPECT_FALSE(board.JtagChainEnabled());
}

// The node is found by the device's identity and serial string in sysfs, never by order.
TEST(VirtualBoard, HidrawNodeIsFoundByIdentityAndSerialString)
{
    const std::string root = ::testing::TempDir() + "/virtual-board-sysfs";
    auto node = [&](const char* name, const char* uevent) {
        const std::string dir = root + "/class/hidraw/" + name + "/device";
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/uevent") << uevent;
    };
    std::filesystem::remove_all(root);
    node("hidraw0", "DRIVER=hid-generic\nHID_ID=0003:00000925:00001299\nHID_UNIQ=MRV-0002\n");
    node("hidraw1", "DRIVER=hid-generic\nHID_ID=0003:00001209:00000001\nHID_UNIQ=MRV-0001\n");
    node("hidraw2", "DRIVER=hid-generic\nHID_ID=0003:00000925:00001299\nHID_UNIQ=MRV-0001\n");

    uhid::DeviceIdentity board{"Morvane FPGA board", "MRV-0001", uhid::BusUsb, 0x0925, 0x1299, {}};
    EXPECT_EQ(uhid::FindHidrawNode(board, root), "/dev/hidraw2");
    board.uniq = "MRV-0003";
    EXPECT_EQ(uhid::FindHidrawNode(board, root), "");
    std::filesystem::remove_all(root);
}

}  // namespace
