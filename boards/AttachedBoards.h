#pragma once

#include <memory>
#include <string>
#include <vector>

#include "board/Board.h"
#include "link/HidBackend.h"

// The boards attached now, for every front end: where each one is (its device path and USB
// port), the device layer its link runs on, and whether the user may open it. Listed in the
// order of their USB ports, so that "the first board" is the same board for the window and
// the command line.
namespace boards {

using boardlink::UsbPort;

// A board seen on the bus, before any exchange with it.
struct AttachedBoard {
    std::string node;
    UsbPort port;
    // The device layer of this board's link; the board's own, so that boards on several
    // threads share nothing.
    boardlink::HidBackend* backend = nullptr;
    // Why the board's node cannot be opened for its reports, in the system's words;
    // empty when it can.
    std::string accessError;

    // The board object for this board, its link held to this board's place.
    std::unique_ptr<board::Board> Open(const board::Clock& clock = board::SystemTime) const;
};

// Where the boards of a run come from: the real ones on the bus or simulated ones.
class BoardSource {
public:
    virtual ~BoardSource() = default;
    // The boards attached now, in the order of their USB ports.
    virtual std::vector<AttachedBoard> Attach() = 0;
};

// The boards that the device layer lists, in port order, each with its place and port; the
// backend of each is the lister itself.
std::vector<AttachedBoard> ListBoards(boardlink::HidBackend& lister);

// Boards from several listings (each simulated board is a device layer of its own) put in
// the order of their ports.
void SortByPort(std::vector<AttachedBoard>& boards);

// Opens the node for writing and for reading, as the board link will, and closes it again:
// the system's reason when either open fails, empty otherwise.
std::string ProbeAccess(boardlink::HidBackend& backend, const std::string& node);

// Real boards, through the platform's device layer.
class HardwareBoards final : public BoardSource {
public:
    HardwareBoards();
    ~HardwareBoards() override;
    std::vector<AttachedBoard> Attach() override;

private:
    std::unique_ptr<boardlink::HidBackend> m_lister;
    std::vector<std::unique_ptr<boardlink::HidBackend>> m_boardBackends;
};

// "1-2.3"; "-" when the port is not known.
std::string PortText(const UsbPort& port);

}  // namespace boards
