#include <gtest/gtest.h>

#include <QLineEdit>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/MainDlg.h"
#include "board/BoardText.h"
#include "cli/Program.h"
#include "res/resource.h"
#include "sim/SimBackend.h"
#include "sim/SimBus.h"

namespace {

// Two boards whose sockets are in the other order than the platform lists them: the window's
// board and the command line's first board are the one in the lower port, whichever the
// platform lists first.
TEST(FirstBoard, TheWindowAndListTakeTheBoardInTheLowestPort)
{
    // As tarvik-cli --sim=2 --sim-ports-reversed plugs them: board 1 (TRK_00042, listed first)
    // in port 1-2, board 2 (TRK_00043) in port 1-1.
    std::ostringstream out, err;
    ASSERT_EQ(cli::RunProgram({"--sim=2", "--sim-ports-reversed", "list", "--json"}, out, err, false), 0) << err.str();
    const nlohmann::json listed = nlohmann::json::parse(out.str())["boards"];
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["serial"], 43);
    EXPECT_EQ(listed[0]["port"], "1-1");

    sim::SimBackend first, second;
    first.Plug("/dev/hidraw-sim0");
    first.SetPort({1, 2});
    second.Plug("/dev/hidraw-sim1");
    second.SetPort({1, 1});
    sim::SimBoard::Info info;
    info.serial = 42;
    first.Board().WriteInfoBlock(info);
    info.serial = 43;
    second.Board().WriteInfoBlock(info);
    sim::SimBus bus;
    bus.Add(first);
    bus.Add(second);

    CMainDlg window(bus, nullptr);
    window.InitDialog();
    EXPECT_EQ(window.Item<QLineEdit>(IDC_SERIAL)->text().toStdString(),
              board::text::Serial(listed[0]["serial"].get<uint16_t>()));
    EXPECT_EQ(window.BoardObject().Node(), listed[0]["node"]);
    EXPECT_TRUE(first.Received().empty()) << "the board in the higher port is not examined";
}

}  // namespace
