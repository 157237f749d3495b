#include "sim/SimBus.h"

#include "sim/SimBackend.h"

namespace sim {

using boardlink::HidHandle;
using boardlink::HidInterfaceInfo;
using boardlink::InvalidHidHandle;

std::vector<HidInterfaceInfo> SimBus::EnumerateInterfaces()
{
    std::vector<HidInterfaceInfo> listed;
    m_listedBy.clear();
    for (SimBackend* board : m_boards)
        for (HidInterfaceInfo& info : board->EnumerateInterfaces()) {
            m_listedBy.emplace(info.path, board);
            listed.push_back(std::move(info));
        }
    return listed;
}

HidHandle SimBus::Open(const std::string& path, boardlink::HidAccess access)
{
    // A device layer opens what it listed last, as the platform's does.
    const auto listed = m_listedBy.find(path);
    if (listed == m_listedBy.end()) {
        m_lastError = "No such device";
        return InvalidHidHandle;
    }
    SimBackend* board = listed->second;
    const HidHandle inner = board->Open(path, access);
    if (inner == InvalidHidHandle) {
        m_lastError = board->LastError();
        return InvalidHidHandle;
    }
    m_routes[m_nextHandle] = {board, inner};
    return m_nextHandle++;
}

SimBus::Route SimBus::Find(HidHandle handle) const
{
    const auto found = m_routes.find(handle);
    return found == m_routes.end() ? Route{} : found->second;
}

bool SimBus::GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId)
{
    const Route route = Find(handle);
    return route.board != nullptr && route.board->GetAttributes(route.inner, vendorId, productId);
}

bool SimBus::GetCaps(HidHandle handle, boardlink::HidCaps& caps)
{
    const Route route = Find(handle);
    return route.board != nullptr && route.board->GetCaps(route.inner, caps);
}

bool SimBus::Write(HidHandle handle, const uint8_t* report, std::size_t length)
{
    const Route route = Find(handle);
    if (route.board == nullptr)
        return false;
    if (route.board->Write(route.inner, report, length))
        return true;
    m_lastError = route.board->LastError();
    return false;
}

boardlink::HidReadResult SimBus::Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs)
{
    const Route route = Find(handle);
    if (route.board == nullptr)
        return boardlink::HidReadResult::Failed;
    return route.board->Read(route.inner, buffer, length, timeoutMs);
}

void SimBus::Cancel(HidHandle handle)
{
    if (const Route route = Find(handle); route.board != nullptr)
        route.board->Cancel(route.inner);
}

void SimBus::Drain(HidHandle handle)
{
    if (const Route route = Find(handle); route.board != nullptr)
        route.board->Drain(route.inner);
}

void SimBus::Close(HidHandle handle)
{
    if (const Route route = Find(handle); route.board != nullptr)
        route.board->Close(route.inner);
    m_routes.erase(handle);
}

}  // namespace sim
