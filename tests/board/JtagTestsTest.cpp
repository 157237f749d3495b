#include <gtest/gtest.h>

#include "board/JtagTests.h"
#include "pins/PinTables.h"
#include "support/RecordingWindow.h"

using namespace boardlink;
using namespace board;
using namespace pins;

namespace {

// The board link on the simulated board, and the capture a board view would show: each
// new capture a test gives back replaces it and redraws the view.
class JtagTests : public SimLinkTest {
protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        CaptureBuffer.fill(0xFF);
    }
    std::optional<std::string> Run(int test, int pin = 1, const std::string& level = "Hi-Z")
    {
        board.ClearRecord();
        const TestOutcome outcome = RunTest(link, {test, pin, level});
        if (outcome.capture) {
            CaptureBuffer = *outcome.capture;
            ++invalidations;
        }
        return outcome.resultText;
    }

    Capture CaptureBuffer{};
    int invalidations = 0;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends with a line break";
    return lines;
}

TEST_F(JtagTests, DriveTestsSendTheirCommandAndSayWhatShouldBeTheCase)
{
    struct Case {
        int test;
        int pin;
        const char* level;
        std::optional<uint8_t> command;
        uint8_t address;
        const char* result;
    };
    const Case cases[] = {
        {DriveAllHighTest, 1, "Hi-Z", DriveAllHigh, 0, "Now driving all pins HIGH"},
        {DriveAllLowTest, 1, "Hi-Z", DriveAllLow, 0, "Now driving all pins LOW"},
        {DrivePinTest, 23, "Low", DrivePinLow, 195, "Pin 23 should now be Low."},
        {DrivePinTest, 23, "Hi-Z", FloatPin, 195, "Pin 23 should now be Hi-Z."},
        {DrivePinTest, 23, "High", DrivePinHigh, 195, "Pin 23 should now be High."},
        {DrivePinTest, 23, "low", DrivePinHigh, 195, "Pin 23 should now be low."},
        {DrivePinTest, 89, "Low", DrivePinLow, 99, "Pin 89 should now be Low."},
        {DrivePinTest, 4, "Low", std::nullopt, 0,
         "Illegal pin choice ... must be a labeled integer pin number.\r\nCommand ignored."},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> result = Run(c.test, c.pin, c.level);
        EXPECT_EQ(result, std::string(c.result)) << c.result;
        if (!c.command) {
            EXPECT_TRUE(board.Received().empty()) << c.result;
            continue;
        }
        ASSERT_EQ(board.Received().size(), 1u) << c.result;
        const auto& sent = board.Received()[0];
        EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1, sent.begin() + 5),
                  (std::vector<uint8_t>{*c.command, 1, c.address, 0}))
            << c.result;
    }
}

TEST_F(JtagTests, DisabledTestsAndNoChoiceDoNothing)
{
    for (int test : {int{ConfigurationToggleTest}, int{ClearConfigurationSectorTest}, -1}) {
        EXPECT_EQ(Run(test), std::nullopt) << test;
        EXPECT_TRUE(board.Received().empty()) << test;
    }
}

TEST_F(JtagTests, CaptureListsEveryPinInTenRowsAndTurnsTheMarkers)
{
    const std::optional<std::string> listing = Run(CapturePinsTest);
    ASSERT_TRUE(listing);
    const std::vector<std::string> lines = Lines(*listing);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "Capture result:     H,L => driven    1,0 => not driven");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], " P023:1 P022:1 P021:1 P016:1 P015:1 P014:1 P012:1 P011:1");
    EXPECT_TRUE(lines[6].ends_with(" In17:1 In92:1")) << lines[6];
    EXPECT_TRUE(lines[11].ends_with(" In20:1 In89:1")) << lines[11];
    EXPECT_EQ(invalidations, 1);
    // JtagCapture, then the two halves of the capture window.
    ASSERT_EQ(board.Received().size(), 3u);
    EXPECT_EQ(board.Received()[0][1], JtagCapture);
    EXPECT_EQ(board.Received()[1][3] | (board.Received()[1][4] << 8), 0xFF80);
    EXPECT_EQ(board.Received()[2][3] | (board.Received()[2][4] << 8), 0xFFA8);
    EXPECT_EQ(board.Received()[2][2], 40);
}

TEST_F(JtagTests, DrivenPinsShowInTheListingAndTheCaptureBuffer)
{
    Run(DriveAllLowTest);
    Run(DrivePinTest, 23, "High");
    board.Board().SetExternalLevel(BoundaryCellTable[22], false);
    Run(DrivePinTest, 22, "Hi-Z");
    const std::vector<std::string> lines = Lines(*Run(CapturePinsTest));
    EXPECT_EQ(lines[2], " P023:H P022:0 P021:L P016:L P015:L P014:L P012:L P011:L");
    EXPECT_EQ(DecodePinState(CaptureBuffer, 79), 'L');
    EXPECT_EQ(DecodePinState(CaptureBuffer, 0), 'H');
}

TEST_F(JtagTests, RefusedOrUnansweredCaptureLeavesTheBufferAndSaysSo)
{
    link.ReplyReport()[StatusByte] = StatusSuccess;  // an earlier reply's 'R' must not count
    board.Board().RefuseNextCapture();
    EXPECT_EQ(Run(CapturePinsTest), "JTAG error: capture did not occur...");

    board.DropNextReply();
    Capture buffer;
    std::fill(std::begin(buffer), std::end(buffer), 0x5A);
    EXPECT_FALSE(CapturePins(link, buffer));
    EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](uint8_t b) { return b == 0x5A; }));
    EXPECT_TRUE(std::all_of(CaptureBuffer.begin(), CaptureBuffer.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(invalidations, 0);

    // The capture took place but its second half got lost on the way: nothing of it counts.
    Run(DriveAllLowTest);
    board.DropNextReply(2);
    EXPECT_EQ(Run(CapturePinsTest), "JTAG error: capture did not occur...");
    EXPECT_TRUE(std::all_of(CaptureBuffer.begin(), CaptureBuffer.end(), [](uint8_t b) { return b == 0xFF; }));
}

}  // namespace
