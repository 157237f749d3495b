#include "boards/AttachedBoards.h"

#include <algorithm>

#include "link/BoardLink.h"
#include "platform/Platform.h"

namespace boards {

using boardlink::HidAccess;
using boardlink::HidHandle;
using boardlink::HidInterfaceInfo;

std::unique_ptr<board::Board> AttachedBoard::Open(const board::Clock& clock) const
{
    auto opened = std::make_unique<board::Board>(*backend, clock);
    opened->SetPlace(node);
    return opened;
}

std::vector<AttachedBoard> ListBoards(boardlink::HidBackend& lister)
{
    std::vector<AttachedBoard> boards;
    for (const HidInterfaceInfo& info : boardlink::InPortOrder(lister.EnumerateInterfaces()))
        if (boardlink::IsBoardInterface(info))
            boards.push_back({info.path, info.port, &lister, {}});
    return boards;
}

void SortByPort(std::vector<AttachedBoard>& boards)
{
    std::stable_sort(boards.begin(), boards.end(),
                     [](const AttachedBoard& a, const AttachedBoard& b) { return a.port < b.port; });
}

std::string ProbeAccess(boardlink::HidBackend& backend, const std::string& node)
{
    for (HidAccess access : {HidAccess::Write, HidAccess::Read}) {
        const HidHandle handle = backend.Open(node, access);
        if (handle == boardlink::InvalidHidHandle)
            return backend.LastError();
        backend.Close(handle);
    }
    return {};
}

HardwareBoards::HardwareBoards() : m_lister(platform::NewHidBackend()) {}

HardwareBoards::~HardwareBoards() = default;

std::vector<AttachedBoard> HardwareBoards::Attach()
{
    std::vector<AttachedBoard> boards = ListBoards(*m_lister);
    for (AttachedBoard& board : boards) {
        // Each board's link runs on a device layer of its own, so that links on several
        // threads share no state. A device layer opens only what it has listed itself.
        auto backend = platform::NewHidBackend();
        backend->EnumerateInterfaces();
        board.backend = backend.get();
        board.accessError = ProbeAccess(*backend, board.node);
        m_boardBackends.push_back(std::move(backend));
    }
    return boards;
}

std::string PortText(const UsbPort& port)
{
    if (port.empty())
        return "-";
    std::string text = std::to_string(port.front());
    for (std::size_t i = 1; i < port.size(); ++i)
        text += (i == 1 ? "-" : ".") + std::to_string(port[i]);
    return text;
}

}  // namespace boards
