#include "cli/SimulatedBoards.h"

#include <algorithm>

#include "link/BackendDecorator.h"
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
class SimulatedBoards::FaultPlan final : public BackendDecorator {
public:
    FaultPlan(sim::SimBackend& board, std::vector<SimFault> faults)
        : BackendDecorator(board), m_board(board), m_faults(std::move(faults))
    {
    }

    bool Write(HidHandle handle, const uint8_t* report, std::size_t length) override
    {
        ++m_exchanges;
        for (const SimFault& fault : m_faults)
            if (fault.exchange == m_exchanges)
                m_board.InjectFault(fault.kind, 0);
        return BackendDecorator::Write(handle, report, length);
    }

private:
    sim::SimBackend& m_board;
    std::vector<SimFault> m_faults;
    std::size_t m_exchanges = 0;
};

std::string SimulatedBoards::NodeOf(std::size_t index) { return "/dev/hidraw-sim" + std::to_string(index); }

SimulatedBoards::SimulatedBoards(const SimSetup& setup)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(setup.count, 0)); ++i) {
        auto backend = std::make_unique<sim::SimBackend>();
        backend->Plug(NodeOf(i));
        sim::SimBoard::Info info;
        info.serial = Listed(setup.blank, i) ? uint16_t{0} : static_cast<uint16_t>(FirstSerial + i);
        backend->Board().WriteInfoBlock(info);
        backend->RefuseAccess(Listed(setup.noPermission, i));
        // Only a dump reads the reports; a long watch would otherwise keep every one of them.
        backend->SetRecording(setup.record);
        m_backends.push_back(std::move(backend));
    }
    if (!m_backends.empty() && !setup.faults.empty())
        m_faultPlan = std::make_unique<FaultPlan>(*m_backends.front(), setup.faults);
}

SimulatedBoards::~SimulatedBoards() = default;

std::vector<AttachedBoard> SimulatedBoards::Attach()
{
    std::vector<AttachedBoard> boards;
    for (std::size_t i = 0; i < m_backends.size(); ++i) {
        sim::SimBackend& backend = *m_backends[i];
        if (!backend.Plugged())
            continue;
        HidBackend* layer = i == 0 && m_faultPlan ? static_cast<HidBackend*>(m_faultPlan.get()) : &backend;
        AttachedBoard board{backend.BoardPath(), UsbPort{1, static_cast<int>(i + 1)}, layer, {}};
        board.accessError = ProbeAccess(backend, board.node);
        boards.push_back(std::move(board));
    }
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
