#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/windows/HidClassBackend.h"

namespace {

using platform::windows::SameInterfacePath;

TEST(HidClassBackend, ListsInterfacesAndOpensNoOther)
{
    const auto backend = platform::NewHidBackend();
    for (const boardlink::HidInterfaceInfo& info : backend->EnumerateInterfaces())
        EXPECT_FALSE(info.path.empty());
    const std::string absent = "\\\\?\\hid#vid_0925&pid_1299#absent#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    EXPECT_EQ(backend->Open(absent, boardlink::HidAccess::Query), boardlink::InvalidHidHandle);
    EXPECT_EQ(backend->LastError(), absent + " is not among the HID devices present");
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    EXPECT_FALSE(backend->GetAttributes(7, vendorId, productId));
    EXPECT_EQ(backend->LastError(), "attributes: no open device has handle 7");
}

TEST(HidClassBackend, NotificationPathsMatchWhateverTheirCase)
{
    const std::string listed = "\\\\?\\hid#vid_0925&pid_1299#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const std::string notified = "\\\\?\\HID#VID_0925&PID_1299#7&1A2B3C&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}";
    EXPECT_TRUE(SameInterfacePath(listed, notified));
    EXPECT_FALSE(SameInterfacePath(listed, notified.substr(0, notified.size() - 1) + "1"));
    EXPECT_FALSE(SameInterfacePath(listed, listed + "x"));
}

TEST(Platform, ProgressIsNotDrawnIntoAPipe)
{
    // The suite runs with standard error in a pipe or a file.
    EXPECT_FALSE(platform::ErrorTerminalDrawsProgress());
}

}  // namespace
