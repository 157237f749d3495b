#include "app/DeviceChange.h"

#include <memory>
#include <optional>

#include "app/BoardDisplay.h"
#include "app/MainWindowHost.h"
#include "board/Board.h"
#include "board/LocalTime.h"

using namespace board;

namespace {

// What an attach found: the information block and the chain check.
struct AttachFound {
    InfoRead info;
    std::optional<Result<Done>> chain;
};

void OnBoardArrival(MainWindowHost& window)
{
    window.LogLine(FormatLocalTime(window.Clock(), "%m/%d/%Y %H:%M:%S Morvane FPGA board attached"));
    auto found = std::make_shared<AttachFound>();
    window.RunOnBoard(
        [&board = window.BoardObject(), found] {
            // The reads and the chain check are one action: a board that has stopped
            // answering costs it two read time limits at most.
            const Board::Action action(board);
            found->info = board.ReadInfo();
            found->chain = board.CheckChain();
        },
        [&window, found] {
            ShowAttachInfo(found->info, window);
            window.SetProgressPos(0);
            if (const auto line = ChainLine(*found->chain, "JTAG boundary scan chain disabled .... board tests will not work!"))
                window.LogLine(*line);
            window.UpdateData(false);
        });
}

void OnBoardRemoval(MainWindowHost& window)
{
    window.LogLine(FormatLocalTime(window.Clock(), LogTimePrefix) + "Morvane FPGA board detached");
    static_cast<BoardBoxes&>(window) = BoardBoxes{};
    window.SetProgressPos(0);
    // The handles of a board that is gone are of no further use.
    window.BoardObject().ForgetBoard();
}

}  // namespace

bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const boardlink::DeviceNotification& data)
{
    if (event == boardlink::DeviceArrival) {
        if (window.BoardObject().IsBoardNotification(data))
            OnBoardArrival(window);
    } else if (event == boardlink::DeviceRemoveComplete) {
        if (window.BoardObject().IsBoardNotification(data))
            OnBoardRemoval(window);
        window.UpdateData(false);
    }
    return true;
}
