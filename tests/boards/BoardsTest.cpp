#include <gtest/gtest.h>

#include "boards/BoardChoice.h"
#include "boards/BoardName.h"
#include "boards/FailureWords.h"
#include "boards/SerialList.h"
#include "boards/SerialNumbering.h"
#include "link/Reports.h"

// Naming, choosing and numbering boards, and the words for their failures: no board needed.
namespace {

using namespace boards;

TEST(BoardNameTest, SerialNumbersAndNodes)
{
    struct Case {
        const char* text;
        std::optional<uint16_t> serial;
        const char* node;   // expected node when not a serial number
        bool error;
    };
    const Case cases[] = {
        {"42", 42, "", false},
        {"TRK_00042", 42, "", false},
        {"trk_42", 42, "", false},
        {"0", 0, "", false},
        {"65535", 65535, "", false},
        {"000000000065535", 65535, "", false},
        {"65536", std::nullopt, "", true},
        {"99999999999999999999", std::nullopt, "", true},
        {"TRK_", std::nullopt, "", true},
        {"TRK_4x", std::nullopt, "", true},
        {"", std::nullopt, "", true},
        {"/dev/hidraw3", std::nullopt, "/dev/hidraw3", false},
        {"hidraw3", std::nullopt, "hidraw3", false},
        {"-1", std::nullopt, "-1", false},
    };
    for (const Case& c : cases) {
        const ParsedBoardName parsed = ParseBoardName(c.text);
        EXPECT_EQ(!parsed.name, c.error) << c.text << ": " << parsed.error;
        if (!parsed.name)
            continue;
        EXPECT_EQ(parsed.name->serial, c.serial) << c.text;
        EXPECT_EQ(parsed.name->node, c.node) << c.text;
    }
}


TEST(BoardChoiceTest, OneBoardOrASayWhichAreThere)
{
    const std::vector<BoardIdentity> two = {{"/dev/hidraw3", 42}, {"/dev/hidraw5", std::nullopt}};
    const std::vector<BoardIdentity> twins = {{"/dev/hidraw3", 7}, {"/dev/hidraw5", 7}};
    auto serial = [](uint16_t n) { return std::optional<BoardName>(BoardName{n, {}}); };
    auto node = [](const char* n) { return std::optional<BoardName>(BoardName{std::nullopt, n}); };
    struct Case {
        const char* what;
        std::vector<BoardIdentity> boards;
        std::optional<BoardName> name;
        std::optional<std::size_t> index;
        bool usageError;
        const char* errorText;
    };
    const Case cases[] = {
        {"none attached", {}, std::nullopt, std::nullopt, false, "no Morvane board"},
        {"the only board", {{"/dev/hidraw3", 42}}, std::nullopt, 0, false, ""},
        {"several, none named", two, std::nullopt, std::nullopt, true,
         "2 boards are attached (/dev/hidraw3 (TRK_00042), /dev/hidraw5 (TRK_\?\?\?\?\?))"},
        {"by serial", two, serial(42), 0, false, ""},
        {"by node", two, node("/dev/hidraw5"), 1, false, ""},
        {"by node name", two, node("hidraw5"), 1, false, ""},
        {"part of a node name", two, node("raw5"), std::nullopt, false, "board raw5 is not attached"},
        {"serial not there", two, serial(43), std::nullopt, false, "board TRK_00043 is not attached"},
        {"unknown serial never matches", two, serial(0), std::nullopt, false, "not attached"},
        {"shared serial", twins, serial(7), std::nullopt, true, "TRK_00007 names 2 boards"},
        {"shared serial, by node", twins, node("hidraw5"), 1, false, ""},
    };
    for (const Case& c : cases) {
        const BoardChoice choice = ChooseBoard(c.boards, c.name);
        EXPECT_EQ(choice.index, c.index) << c.what;
        EXPECT_EQ(choice.usageError, c.usageError) << c.what;
        EXPECT_NE(choice.error.find(c.errorText), std::string::npos) << c.what << ": " << choice.error;
    }
}


TEST(SerialNumberingTest, BlankBoardsGetConsecutiveNumbers)
{
    using Numbers = std::vector<std::optional<uint16_t>>;
    struct Case {
        const char* what;
        std::vector<BoardIdentity> boards;
        long first;
        Numbers numbers;
        const char* errorText;
    };
    const Case cases[] = {
        {"numbered boards keep theirs", {{"a", 0}, {"b", 42}, {"c", 0}, {"d", std::nullopt}}, 100,
         {100, std::nullopt, 101, std::nullopt}, ""},
        {"up to the last number", {{"a", 0}, {"b", 0}}, 65534, {65534, 65535}, ""},
        {"past the last number", {{"a", 0}, {"b", 0}}, 65535, {}, "not enough numbers"},
        {"a number a board has", {{"a", 0}, {"b", 0}, {"c", 101}}, 100, {}, "TRK_00101 is already the number of the board at c"},
        {"zero", {{"a", 0}}, 0, {}, "from 1 to 65535"},
        {"no blank board", {{"a", 5}}, 5, {std::nullopt}, ""},
    };
    for (const Case& c : cases) {
        const Numbering numbering = NumberBlankBoards(c.boards, c.first, "--serial " + std::to_string(c.first));
        EXPECT_EQ(numbering.numbers, c.numbers) << c.what;
        EXPECT_NE(numbering.error.find(c.errorText), std::string::npos) << c.what << ": " << numbering.error;
        EXPECT_EQ(numbering.error.empty(), *c.errorText == '\0') << c.what;
    }
}


// A lab's numbers: the blank boards take the list in port order, or nothing is written.
TEST(SerialNumberingTest, BlankBoardsTakeTheListInTurn)
{
    using Numbers = std::vector<std::optional<uint16_t>>;
    struct Case {
        const char* what;
        std::vector<BoardIdentity> boards;
        std::vector<long> list;
        Numbers numbers;
        const char* errorText;
    };
    const Case cases[] = {
        {"gaps in the list are kept", {{"a", 0}, {"b", 42}, {"c", 0}, {"d", std::nullopt}}, {100, 103},
         {100, std::nullopt, 103, std::nullopt}, ""},
        {"numbers left over", {{"a", 0}}, {7, 8, 9}, {7}, ""},
        {"fewer numbers than blank boards", {{"a", 0}, {"b", 0}, {"c", 0}}, {7, 8}, {}, "2 numbers for 3 blank boards"},
        {"a number twice", {{"a", 0}, {"b", 0}}, {7, 7}, {}, "7 is in the list twice"},
        {"a number a board has", {{"a", 0}, {"b", 42}}, {42}, {}, "TRK_00042 is already the number of the board at b"},
        {"out of range", {{"a", 0}}, {70000}, {}, "from 1 to 65535"},
    };
    for (const Case& c : cases) {
        const Numbering numbering = NumberBlankBoardsFromList(c.boards, c.list);
        EXPECT_EQ(numbering.numbers, c.numbers) << c.what;
        EXPECT_NE(numbering.error.find(c.errorText), std::string::npos) << c.what << ": " << numbering.error;
        EXPECT_EQ(numbering.error.empty(), *c.errorText == '\0') << c.what;
    }
}

TEST(CauseTest, EachFailureKindSaysWhatHappened)
{
    using board::Failure;
    using board::FailureKind;
    const struct {
        Failure failure;
        const char* text;
    } rows[] = {
        {{FailureKind::NoReply, boardlink::WriteMemory, 0, {}, {}, {}, {}, 0}, "the board did not answer WriteMemory"},
        {{FailureKind::NotDone, boardlink::ProgramMode, 'Q', {}, {}, {}, {}, 0}, "the board answered ProgramMode with status 0x51"},
        {{FailureKind::CannotOpen, 0, 0, "/dev/hidraw3", "Permission denied", "install it", {}, 0},
         "cannot be opened: Permission denied; fix: install it"},
        {{FailureKind::FileRefused, 0, 0, {}, "Is a directory", {}, {}, 0}, "Is a directory"},
        {{FailureKind::NoBoard, 0, 0, {}, {}, {}, {}, 0}, "no Morvane board is attached"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CauseText(row.failure), row.text);
}


}  // namespace
