#include "link/BoardNotification.h"

#include <gtest/gtest.h>

#include "link/BoardLink.h"
#include "sim/SimBackend.h"

using namespace boardlink;

namespace {

// The simulated board on a platform that cannot tell devices apart: listed without identities.
class WithoutIdentities final : public HidBackend {
public:
    explicit WithoutIdentities(HidBackend& backend) : m_backend(backend) {}
    std::vector<HidInterfaceInfo> EnumerateInterfaces() override
    {
        std::vector<HidInterfaceInfo> listed = m_backend.EnumerateInterfaces();
        for (HidInterfaceInfo& info : listed)
            info.identity.clear();
        return listed;
    }
    HidHandle Open(const std::string& path, HidAccess access) override { return m_backend.Open(path, access); }
    bool GetAttributes(HidHandle handle, uint16_t& vendorId, uint16_t& productId) override
    {
        return m_backend.GetAttributes(handle, vendorId, productId);
    }
    bool GetCaps(HidHandle handle, HidCaps& caps) override { return m_backend.GetCaps(handle, caps); }
    bool Write(HidHandle handle, const uint8_t* report, std::size_t length) override
    {
        return m_backend.Write(handle, report, length);
    }
    HidReadResult Read(HidHandle handle, uint8_t* buffer, std::size_t length, int timeoutMs) override
    {
        return m_backend.Read(handle, buffer, length, timeoutMs);
    }
    void Cancel(HidHandle handle) override { m_backend.Cancel(handle); }
    void Drain(HidHandle handle) override { m_backend.Drain(handle); }
    void Close(HidHandle handle) override { m_backend.Close(handle); }
    std::string LastError() const override { return m_backend.LastError(); }

private:
    HidBackend& m_backend;
};

TEST(BoardNotification, TheBoardIsKnownByItsIdentityWhereBothSidesHaveOne)
{
    const std::string boardId = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299";
    const std::string mouseId = "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/0003:046D:C077";
    const struct {
        const char* what;
        std::string boardIdentity;
        DeviceNotification notification;
        bool expected;
    } rows[] = {
        {"the board on its node", boardId, {DeviceTypeInterface, "/dev/hidraw3", boardId}, true},
        {"the board back on another node", boardId, {DeviceTypeInterface, "/dev/hidraw5", boardId}, true},
        {"a mouse on the board's node", boardId, {DeviceTypeInterface, "/dev/hidraw3", mouseId}, false},
        {"another device type", boardId, {2, "/dev/hidraw3", boardId}, false},
        {"a source without identities: the path, case aside", boardId, {DeviceTypeInterface, "/DEV/HIDRAW3", ""}, true},
        {"a source without identities, another path", boardId, {DeviceTypeInterface, "/dev/hidraw5", ""}, false},
        {"a board found without identity: the path", "", {DeviceTypeInterface, "/dev/hidraw3", mouseId}, true},
    };
    for (const auto& row : rows) {
        // The link knows the board's path and identity from the search that found it.
        sim::SimBackend board;
        board.Plug("/dev/hidraw3", row.boardIdentity);
        WithoutIdentities anonymous(board);
        BoardLink link(row.boardIdentity.empty() ? static_cast<HidBackend&>(anonymous) : board);
        ASSERT_TRUE(link.FindBoard()) << row.what;
        EXPECT_EQ(IsBoardNotification(row.notification, link), row.expected) << row.what;
    }
}

}  // namespace
