#include <gtest/gtest.h>

#include "board/Board.h"
#include "board/BoardText.h"
#include "board/JtagTests.h"
#include "pins/PinTables.h"
#include "support/RecordingWindow.h"

using namespace boardlink;
using namespace board;
using namespace pins;

namespace {

// The board tests of the board object on the simulated board.
class JtagTests : public SimLinkTest {};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends with a line break";
    return lines;
}

TEST_F(JtagTests, DriveOperationsSendTheirCommandWithTheCellGroup)
{
    struct Case {
        const char* what;
        std::function<Result<Done>(Board&)> drive;
        uint8_t command;
        uint8_t address;
    };
    const Case cases[] = {
        {"all high", [](Board& b) { return b.DriveAll(true); }, DriveAllHigh, 0},
        {"all low", [](Board& b) { return b.DriveAll(false); }, DriveAllLow, 0},
        {"pin 23 low", [](Board& b) { return b.DrivePin(23, PinLevel::Low); }, DrivePinLow, 195},
        {"pin 23 Hi-Z", [](Board& b) { return b.DrivePin(23, PinLevel::HiZ); }, FloatPin, 195},
        {"pin 23 high", [](Board& b) { return b.DrivePin(23, PinLevel::High); }, DrivePinHigh, 195},
        {"pin 89 low", [](Board& b) { return b.DrivePin(89, PinLevel::Low); }, DrivePinLow, 99},
        {"leave test mode", [](Board& b) { return b.LeaveTestMode(); }, LeaveTestMode, 0},
    };
    for (const Case& c : cases) {
        board.ClearRecord();
        EXPECT_TRUE(c.drive(boardObject).Ok()) << c.what;
        ASSERT_EQ(board.Received().size(), 1u) << c.what;
        const auto& sent = board.Received()[0];
        EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1, sent.begin() + 5), (std::vector<uint8_t>{c.command, 1, c.address, 0}))
            << c.what;
    }
    EXPECT_EQ(FindHeaderPosition(4), std::nullopt) << "pin 4 is not on the header";
    EXPECT_EQ(FindHeaderPosition(23), 0);
}

TEST_F(JtagTests, CaptureListsEveryPinInTenRows)
{
    const Result<Capture> capture = boardObject.CapturePins();
    ASSERT_TRUE(capture.Ok());
    const std::vector<std::string> lines = Lines(text::CaptureListing(*capture));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "Capture result:     H,L => driven    1,0 => not driven");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], " P023:1 P022:1 P021:1 P016:1 P015:1 P014:1 P012:1 P011:1");
    EXPECT_TRUE(lines[6].ends_with(" In17:1 In92:1")) << lines[6];
    EXPECT_TRUE(lines[11].ends_with(" In20:1 In89:1")) << lines[11];
    // JtagCapture, then the two halves of the capture window.
    ASSERT_EQ(board.Received().size(), 3u);
    EXPECT_EQ(board.Received()[0][1], JtagCapture);
    EXPECT_EQ(board.Received()[1][3] | (board.Received()[1][4] << 8), 0xFF80);
    EXPECT_EQ(board.Received()[2][3] | (board.Received()[2][4] << 8), 0xFFA8);
    EXPECT_EQ(board.Received()[2][2], 40);
}

TEST_F(JtagTests, DrivenPinsShowInTheCapture)
{
    boardObject.DriveAll(false);
    boardObject.DrivePin(23, PinLevel::High);
    board.Board().SetExternalLevel(BoundaryCellTable[22], false);
    boardObject.DrivePin(22, PinLevel::HiZ);
    const Result<Capture> capture = boardObject.CapturePins();
    ASSERT_TRUE(capture.Ok());
    EXPECT_EQ(Lines(text::CaptureListing(*capture))[2], " P023:H P022:0 P021:L P016:L P015:L P014:L P012:L P011:L");
    EXPECT_EQ(DecodePinState(*capture, 79), 'L');
    EXPECT_EQ(DecodePinState(*capture, 0), 'H');
}

TEST_F(JtagTests, RefusedOrUnansweredCaptureGivesNoCapture)
{
    ASSERT_TRUE(boardObject.CheckChain().Ok());  // an earlier reply's 'R' must not count
    board.Board().RefuseNextCapture();
    EXPECT_EQ(boardObject.CapturePins().Error().kind, FailureKind::Refused);

    board.DropNextReply();
    EXPECT_EQ(boardObject.CapturePins().Error().kind, FailureKind::NoReply);

    // The capture took place but its second half got lost on the way: nothing of it counts.
    board.DropNextReply(2);
    EXPECT_EQ(boardObject.CapturePins().Error().kind, FailureKind::NoReply);
}

}  // namespace
