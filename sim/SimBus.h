#pragma once

#include <map>
#include <string>
#include <vector>

#include "link/HidBackend.h"

namespace sim {

class SimBackend;

// Several simulated boards behind one device layer, as several boards plugged into one PC
// are behind the platform's: the listing is theirs together, in the order they were added,
// and each handle reaches the board it was opened on. The boards are not owned.
class SimBus final : public boardlink::HidBackend {
public:
    void Add(SimBackend& board) { m_boards.push_back(&board); }

    std::vector<boardlink::HidInterfaceInfo> EnumerateInterfaces() override;
    boardlink::HidHandle Open(const std::string& path, boardlink::HidAccess access) override;
    bool GetAttributes(boardlink::HidHandle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(boardlink::HidHandle handle, boardlink::HidCaps& caps) override;
    bool Write(boardlink::HidHandle handle, const uint8_t* report, std::size_t length) override;
    boardlink::HidReadResult Read(boardlink::HidHandle handle, uint8_t* buffer, std::size_t length,
                                  int timeoutMs) override;
    void Cancel(boardlink::HidHandle handle) override;
    void Drain(boardlink::HidHandle handle) override;
    void Close(boardlink::HidHandle handle) override;
    std::string LastError() const override { return m_lastError; }

private:
    struct Route {
        SimBackend* board = nullptr;
        boardlink::HidHandle inner = boardlink::InvalidHidHandle;
    };
    // The route of a handle; none (a null board) for one this bus did not give out.
    Route Find(boardlink::HidHandle handle) const;

    std::vector<SimBackend*> m_boards;
    std::map<boardlink::HidHandle, Route> m_routes;
    // Which board listed each path in the last listing.
    std::map<std::string, SimBackend*> m_listedBy;
    boardlink::HidHandle m_nextHandle = 1;
    std::string m_lastError;
};

}  // namespace sim
