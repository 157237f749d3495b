#include "cli/AttachedBoards.h"

#include <algorithm>

#include "cli/OneBoardBackend.h"
#include "link/HidapiBackend.h"
#include "link/HidrawSysfs.h"

namespace cli {

std::string ProbeAccess(HidBackend& backend, const std::string& node)
{
    for (HidAccess access : {HidAccess::Write, HidAccess::Read}) {
        const HidHandle handle = backend.Open(node, access);
        if (handle == InvalidHidHandle)
            return backend.LastError();
        backend.Close(handle);
    }
    return {};
}

HardwareBoards::HardwareBoards(std::string sysfsRoot)
    : m_sysfsRoot(std::move(sysfsRoot)), m_lister(std::make_unique<boardlink::HidapiBackend>(m_sysfsRoot))
{
}

HardwareBoards::~HardwareBoards() = default;

std::vector<AttachedBoard> HardwareBoards::Attach()
{
    std::vector<AttachedBoard> boards;
    for (const HidInterfaceInfo& info : boardlink::UniqueInterfaces(m_lister->EnumerateInterfaces())) {
        if (!IsMorvaneBoard(info))
            continue;
        // Each board's link runs on a device layer of its own, so that links on several
        // threads share no state.
        auto backend = std::make_unique<OneBoardBackend>(std::make_unique<boardlink::HidapiBackend>(m_sysfsRoot), info.path);
        // A device layer opens only what it has listed itself.
        backend->EnumerateInterfaces();
        AttachedBoard board{info.path, UsbPortOfNode(m_sysfsRoot, info.path), backend.get(), {}};
        board.accessError = ProbeAccess(*board.backend, info.path);
        m_boardBackends.push_back(std::move(backend));
        boards.push_back(std::move(board));
    }
    std::stable_sort(boards.begin(), boards.end(),
                     [](const AttachedBoard& a, const AttachedBoard& b) { return a.port < b.port; });
    return boards;
}

}  // namespace cli
