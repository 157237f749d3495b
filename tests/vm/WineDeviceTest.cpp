// The Windows build's tarvik-cli.exe under Wine, on a real kernel: Wine's HID bus takes the
// virtual board (tarvik-uhid-board) through hidraw and the program reaches it through the
// Windows HID class driver, as on a Windows PC. Runs inside the device VM, started there by
// wine-guest (the Windows build's test windows_device_vm), which names Wine and the program in
// TARVIK_WINE and TARVIK_WINDOWS_CLI; elsewhere every case skips.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "UhidBoardProcess.h"
#include "board/Download.h"
#include "board/InfoBlock.h"
#include "sim/SimBoard.h"

namespace {

using json = nlohmann::json;

constexpr int Serial = 777;
// How often the suite lists the boards before it gives up on Wine's HID bus taking the board:
// the bus takes a board plugged in as udev announces it, and a listing may come first.
constexpr int ListingsUntilTheBoardShows = 4;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

json Parsed(const clitest::CliRun& run) { return json::parse(run.out, nullptr, false); }

std::string Shown(const clitest::CliRun& run)
{
    return "exit " + std::to_string(run.exitCode) + "\nout:\n" + run.out + "\nerr:\n" + run.err;
}

// Lines of a board's download log that contain part.
std::size_t LogLinesWith(const json& entry, const std::string& part)
{
    std::size_t count = 0;
    if (entry.is_object() && entry.contains("log"))
        for (const auto& line : entry["log"])
            count += line.get<std::string>().find(part) != std::string::npos ? 1 : 0;
    return count;
}

class WineDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* wine = std::getenv("TARVIK_WINE");
        const char* cli = std::getenv("TARVIK_WINDOWS_CLI");
        if (wine == nullptr || cli == nullptr || ::geteuid() != 0 || ::access("/dev/uhid", R_OK | W_OK) != 0)
            return;
        clitest::SetCliCommand({wine, cli});
        s_board = std::make_unique<UhidBoardProcess>(std::vector<std::string>{"--serial", std::to_string(Serial)});
        s_plugged = s_board->WaitFor("board plugged ").has_value();
    }
    static void TearDownTestSuite() { s_board.reset(); }

    void SetUp() override
    {
        if (!s_board)
            GTEST_SKIP() << "needs root, /dev/uhid, TARVIK_WINE and TARVIK_WINDOWS_CLI: these cases run inside the "
                            "device VM (ctest --preset windows -L vm)";
        ASSERT_TRUE(s_plugged) << s_board->Transcript();
        if (s_listing.exitCode != 0) {
            ASSERT_NO_FATAL_FAILURE(ListUntilTheBoardShows());
        }
    }

    // Lists the boards until Wine shows the board.
    static void ListUntilTheBoardShows()
    {
        for (int i = 0; i < ListingsUntilTheBoardShows; ++i) {
            s_listing = clitest::RunCli({"list", "--json"});
            const json listed = Parsed(s_listing);
            if (s_listing.exitCode == 0 && listed.is_object() && !listed["boards"].empty())
                return;
        }
        FAIL() << "Wine's HID bus did not give the board:\n" << Shown(s_listing);
    }

    static std::string Node()
    {
        const json listed = Parsed(s_listing);
        return listed.is_object() && listed["boards"].size() == 1 ? listed["boards"][0].value("node", "") : "";
    }

    // The board's flash as the board program holds it, whether plugged in or not.
    static std::vector<uint8_t> Flash()
    {
        const std::string dump = "/tmp/wine-device-flash.bin";
        EXPECT_TRUE(s_board->Command("dump " + dump)) << s_board->Transcript();
        std::vector<uint8_t> flash = ReadBytes(dump);
        EXPECT_EQ(flash.size(), sim::FlashSize);
        flash.resize(sim::FlashSize, 0);
        return flash;
    }
    static std::vector<uint8_t> InfoBlock()
    {
        std::vector<uint8_t> flash = Flash();
        flash.resize(board::InfoBlockSize);
        return flash;
    }

    inline static std::unique_ptr<UhidBoardProcess> s_board;
    inline static bool s_plugged = false;
    // The last listing that showed the board; its exit code is not 0 while Wine has not shown
    // the board since it was plugged in.
    inline static clitest::CliRun s_listing;
};

TEST_F(WineDevice, ListShowsTheBoardOnItsHidInterfaceWithItsInformationBlock)
{
    ASSERT_EQ(s_listing.exitCode, 0) << Shown(s_listing);
    const json listed = Parsed(s_listing);
    ASSERT_TRUE(listed.is_object()) << Shown(s_listing);
    ASSERT_EQ(listed["boards"].size(), 1u) << Shown(s_listing);
    const json& entry = listed["boards"][0];
    // The interface path the Windows HID class gives the board's collection.
    EXPECT_TRUE(Lower(entry.value("node", "")).starts_with("\\\\?\\hid#vid_0925&pid_1299")) << entry;
    EXPECT_TRUE(entry["failure"].is_null()) << entry;
    EXPECT_EQ(entry.value("serial", -1), Serial);
    EXPECT_EQ(entry.value("serial_text", ""), "TRK_00777");
    EXPECT_EQ(entry.value("jtag_chain", false), true) << entry;
}

// The file goes into the board's flash byte for byte, the read-back agrees, and the program's
// read saves the same bytes again.
TEST_F(WineDevice, ADownloadIsVerifiedAndTheReadGivesTheFileBack)
{
    const std::string node = Node();
    ASSERT_FALSE(node.empty()) << Shown(s_listing);
    // A size that ends inside a page, and bytes of every value, CR and LF among them: a file
    // read or written as text would lose or change some.
    std::vector<uint8_t> content(20000);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 31 + i / 256 + 7);
    const std::string rbf = "/tmp/wine-device-config.rbf";
    std::ofstream(rbf, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));

    const clitest::CliRun download = clitest::RunCli({"download", rbf, node, "--verify", "--json"});
    ASSERT_EQ(download.exitCode, 0) << Shown(download);
    const json result = Parsed(download);
    ASSERT_TRUE(result.is_object()) << Shown(download);
    EXPECT_EQ(result.value("succeeded", -1), 1);
    ASSERT_EQ(result["boards"].size(), 1u) << Shown(download);
    const json& entry = result["boards"][0];
    EXPECT_EQ(entry.value("node", ""), node);
    EXPECT_EQ(entry.value("serial_text", ""), "TRK_00777");
    EXPECT_EQ(entry.value("result", ""), "FPGA configuration successful") << entry;
    EXPECT_EQ(entry.value("verified", false), true) << entry;
    EXPECT_EQ(LogLinesWith(entry, "Read 20000 bytes from RBF file"), 1u) << entry;

    const std::vector<uint8_t> flash = Flash();
    std::vector<uint8_t> expected(board::ConfigAreaSize, 0xFF);
    std::copy(content.begin(), content.end(), expected.begin());
    const auto area = flash.begin() + board::ConfigAreaAddress;
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), area);
    EXPECT_EQ(mismatch.first, expected.end())
        << "first difference at flash address 0x" << std::hex << board::ConfigAreaAddress + (mismatch.first - expected.begin());
    const auto block = std::span(flash).first(board::InfoBlockSize);
    EXPECT_EQ(board::infoblock::Serial(block), Serial);
    EXPECT_EQ(board::infoblock::FileName(block), rbf);

    const std::string back = "/tmp/wine-device-back.rbf";
    const clitest::CliRun read = clitest::RunCli({"read", back, node, "--json"});
    ASSERT_EQ(read.exitCode, 0) << Shown(read);
    const json saved = Parsed(read);
    ASSERT_TRUE(saved.is_object()) << Shown(read);
    EXPECT_EQ(saved.value("succeeded", false), true) << saved;
    EXPECT_EQ(saved.value("bytes", 0), static_cast<int>(content.size())) << saved;
    EXPECT_EQ(ReadBytes(back), content);
}

// The board takes a command and sends no reply: the program's read gives up at its time limit
// and the listing says the board did not answer; the next program finds the board as before.
TEST_F(WineDevice, ALostReplyFailsTheListingAndTheNextListingFindsTheBoard)
{
    ASSERT_TRUE(s_board->Command("fault no-reply")) << s_board->Transcript();
    const clitest::CliRun lost = clitest::RunCli({"list", "--json"});
    EXPECT_EQ(lost.exitCode, 1) << Shown(lost);
    const json listed = Parsed(lost);
    ASSERT_TRUE(listed.is_object()) << Shown(lost);
    ASSERT_EQ(listed["boards"].size(), 1u) << Shown(lost);
    const json& entry = listed["boards"][0];
    EXPECT_EQ(entry.value("failure", ""), "no-reply") << entry;
    EXPECT_NE(entry.value("error", "").find("the board did not answer"), std::string::npos) << entry;
    EXPECT_FALSE(entry.contains("serial")) << entry;

    const clitest::CliRun again = clitest::RunCli({"list", "--json"});
    ASSERT_EQ(again.exitCode, 0) << Shown(again);
    const json found = Parsed(again);
    ASSERT_TRUE(found.is_object()) << Shown(again);
    ASSERT_EQ(found["boards"].size(), 1u) << Shown(again);
    EXPECT_EQ(found["boards"][0].value("serial", -1), Serial) << Shown(again);
}

// The board leaves at a page write in the middle of a download: the download fails, nothing
// is reported as successful, and the board's information block is as it was. The board is
// plugged in again after; the next case waits for Wine to show it.
TEST_F(WineDevice, AnUnplugInTheMiddleOfADownloadFailsItAndNothingCountsAsDone)
{
    const std::string node = Node();
    ASSERT_FALSE(node.empty()) << Shown(s_listing);
    std::vector<uint8_t> content(20000);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 13 + i / 512 + 1);
    const std::string rbf = "/tmp/wine-device-unplugged.rbf";
    std::ofstream(rbf, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    const std::vector<uint8_t> blockBefore = InfoBlock();

    // The 400th exchange from here is a page write.
    ASSERT_TRUE(s_board->Command("fault unplug:399")) << s_board->Transcript();
    const clitest::CliRun download = clitest::RunCli({"download", rbf, node, "--json"});
    EXPECT_TRUE(s_board->WaitFor("board unplugged")) << s_board->Transcript();
    s_listing = {};
    EXPECT_EQ(download.exitCode, 1) << Shown(download);
    const json result = Parsed(download);
    ASSERT_TRUE(result.is_object()) << Shown(download);
    EXPECT_EQ(result.value("succeeded", -1), 0);
    EXPECT_EQ(result.value("failed", -1), 1);
    ASSERT_EQ(result["boards"].size(), 1u) << Shown(download);
    const json& entry = result["boards"][0];
    EXPECT_EQ(entry.value("succeeded", true), false) << entry;
    EXPECT_FALSE(entry["failure"].is_null()) << entry;
    EXPECT_TRUE(entry.value("result", "").starts_with("Flash memory update unsuccessful")) << entry;
    EXPECT_EQ(LogLinesWith(entry, " successful"), 0u) << entry;
    EXPECT_EQ(download.out.find("FPGA configuration successful"), std::string::npos) << Shown(download);
    EXPECT_NE(download.err.find("Flash memory update unsuccessful"), std::string::npos) << Shown(download);
    EXPECT_EQ(InfoBlock(), blockBefore);

    ASSERT_TRUE(s_board->Command("plug")) << s_board->Transcript();
    ASSERT_TRUE(s_board->WaitFor("board plugged ")) << s_board->Transcript();
}

}  // namespace
