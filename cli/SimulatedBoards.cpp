#include "cli/SimulatedBoards.h"

#include <algorithm>

#include "board/Download.h"
#include "sim/SimBackend.h"

namespace cli {
namespace {

bool Listed(const std::vector<int>& boards, std::size_t index)
{
    return std::find(boards.begin(), boards.end(), static_cast<int>(index + 1)) != boards.end();
}

}  // namespace

// The simulated board holds one planned fault at a time: each fault of the plan is handed to
// it just before the exchange it is planned for.
std::string SimulatedBoards::NodeOf(std::size_t index) { return "/dev/hidraw-sim" + std::to_string(index); }

SimulatedBoards::SimulatedBoards(const SimSetup& setup)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(setup.count, 0)); ++i) {
        auto backend = std::make_unique<sim::SimBackend>();
        backend->Plug(NodeOf(i));
        const std::size_t port = setup.portsReversed ? static_cast<std::size_t>(setup.count) - i : i + 1;
        backend->SetPort(UsbPort{1, static_cast<int>(port)});
        sim::SimBoard::Info info;
        info.serial = Listed(setup.blank, i) ? uint16_t{0} : static_cast<uint16_t>(FirstSerial + i);
        if (setup.fileName)
            info.fileName = setup.fileName->c_str();
        backend->Board().WriteInfoBlock(info);
        std::copy(setup.configuration.begin(), setup.configuration.end(),
                  backend->Board().Flash().begin() + board::ConfigAreaAddress);
        backend->RefuseAccess(Listed(setup.noPermission, i));
        // Only a dump reads the reports; a long watch would otherwise keep every one of them.
        backend->SetRecording(setup.record);
        backend->SetLatencyMicroseconds(setup.latencyUs);
        m_backends.push_back(std::move(backend));
    }
    // The faults are the first board's; its writes are the exchanges counted from 1.
    if (!m_backends.empty())
        for (const SimFault& fault : setup.faults)
            m_backends.front()->Faults().Add(fault.kind, fault.exchange);
}

SimulatedBoards::~SimulatedBoards() = default;

std::vector<AttachedBoard> SimulatedBoards::Attach()
{
    // Each simulated board is a device layer of its own, listed as the platform's boards are;
    // together they are put in the order of their ports.
    std::vector<AttachedBoard> boards;
    for (const auto& backend : m_backends)
        for (AttachedBoard& board : boards::ListBoards(*backend)) {
            board.accessError = boards::ProbeAccess(*backend, board.node);
            boards.push_back(std::move(board));
        }
    boards::SortByPort(boards);
    return boards;
}

nlohmann::ordered_json SimulatedBoards::Dump() const
{
    nlohmann::ordered_json boards = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < m_backends.size(); ++i) {
        sim::SimBackend& backend = *m_backends[i];
        const auto& flash = backend.Board().Flash();
        nlohmann::ordered_json commands = nlohmann::ordered_json::array();
        for (const std::vector<uint8_t>& report : backend.Received())
            commands.push_back(CommandName(report.size() > 1 ? report[1] : 0));
        boards.push_back({
            {"node", NodeOf(i)},
            {"serial", flash[0] | (flash[1] << 8)},
            {"plugged", backend.Plugged()},
            {"programming_mode", backend.Board().InProgrammingMode()},
            {"test_mode", backend.Board().InTestMode()},
            {"commands", commands},
        });
    }
    return {{"boards", boards}};
}

}  // namespace cli
