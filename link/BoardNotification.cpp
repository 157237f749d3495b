#include "link/BoardNotification.h"

#include <algorithm>
#include <cctype>

#include "link/BoardLink.h"

namespace boardlink {

bool IsBoardNotification(const DeviceNotification& data, const BoardLink& link)
{
    if (data.deviceType != DeviceTypeInterface)
        return false;
    // The node is handed to the next device plugged in once the board is gone, so where both
    // sides know the device's identity, that decides: another device on the board's old node
    // is not the board, and the board plugged in again is, on whatever node.
    if (!link.BoardDeviceIdentity().empty() && !data.deviceIdentity.empty())
        return data.deviceIdentity == link.BoardDeviceIdentity();
    // Windows gives the path of a notification in upper case where its device listing gives
    // it in lower case; the ASCII letters of a device path are compared without their case.
    const std::string& board = link.BoardDevicePath();
    return data.devicePath.size() == board.size() &&
           std::equal(board.begin(), board.end(), data.devicePath.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace boardlink
