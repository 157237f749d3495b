#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/BoardAccess.h"
#include "cli/SimFault.h"

namespace sim {
class SimBackend;
}

namespace cli {

// What --sim and its companions ask for.
struct SimSetup {
    int count = 1;
    std::vector<SimFault> faults;     // on the first board
    std::vector<int> blank;           // boards (from 1) without a serial number
    std::vector<int> noPermission;    // boards (from 1) whose node the user may not open
    bool record = false;              // keep the reports each board receives (--sim-dump)
    unsigned latencyUs = 0;           // time each exchange takes, as over a real USB link
    // What every board's configuration area holds from its start, erased flash after it
    // (empty: the area is erased).
    std::vector<uint8_t> configuration;
    // The last file name every board's information block holds, byte for byte (none: the
    // simulated board's own).
    std::optional<std::string> fileName;
    // Board N (from 1) sits in port 1-N; reversed, in port 1-(count+1-N), so that the
    // order of their ports is not the order they are listed in.
    bool portsReversed = false;
};

// Simulated boards, each behind a device layer of its own: serial numbers 42, 43, ... and
// nodes /dev/hidraw-sim0, /dev/hidraw-sim1, ..., plugged into ports 1, 2, ... of bus 1 (or
// the other way round).
class SimulatedBoards final : public BoardSource {
public:
    explicit SimulatedBoards(const SimSetup& setup);
    ~SimulatedBoards() override;
    std::vector<AttachedBoard> Attach() override;

    sim::SimBackend& Backend(std::size_t index) { return *m_backends.at(index); }
    std::size_t Count() const { return m_backends.size(); }
    // Each board's state as the run left it and every command it received, in order.
    nlohmann::ordered_json Dump() const;

    static std::string NodeOf(std::size_t index);
    static constexpr uint16_t FirstSerial = 42;

private:
    std::vector<std::unique_ptr<sim::SimBackend>> m_backends;
};

}  // namespace cli
