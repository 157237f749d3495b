#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/BoardAccess.h"
#include "cli/UsbPort.h"

namespace cli {

// A board seen on the bus, before any exchange with it.
struct AttachedBoard {
    std::string node;
    UsbPort port;
    // A device layer on which this board is the only board, for this board's link alone.
    HidBackend* backend = nullptr;
    // Why the board's node cannot be opened for its reports, in the system's words;
    // empty when it can.
    std::string accessError;
};

// Where the boards of a run come from: the real ones on the bus or simulated ones.
class BoardSource {
public:
    virtual ~BoardSource() = default;
    // The boards attached now, in the order of their USB ports.
    virtual std::vector<AttachedBoard> Attach() = 0;
};

// Opens the node for writing and for reading, as the board link will, and closes it again:
// the system's reason when either open fails, empty otherwise.
std::string ProbeAccess(HidBackend& backend, const std::string& node);

// Real boards over hidraw.
class HardwareBoards final : public BoardSource {
public:
    explicit HardwareBoards(std::string sysfsRoot = "/sys");
    ~HardwareBoards() override;
    std::vector<AttachedBoard> Attach() override;

private:
    std::string m_sysfsRoot;
    std::unique_ptr<HidBackend> m_lister;
    std::vector<std::unique_ptr<HidBackend>> m_boardBackends;
};

}  // namespace cli
