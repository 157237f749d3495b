#include "link/BoardNotification.h"

#include <gtest/gtest.h>

#include "link/BackendDecorator.h"
#include "link/BoardLink.h"
#include "sim/SimBackend.h"

using namespace boardlink;

namespace {

// The simulated board on a platform that cannot tell devices apart: listed without identities.
class WithoutIdentities final : public BackendDecorator {
public:
    explicit WithoutIdentities(HidBackend& backend) : BackendDecorator(backend) {}
    std::vector<HidInterfaceInfo> EnumerateInterfaces() override
    {
        std::vector<HidInterfaceInfo> listed = BackendDecorator::EnumerateInterfaces();
        for (HidInterfaceInfo& info : listed)
            info.identity.clear();
        return listed;
    }
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
