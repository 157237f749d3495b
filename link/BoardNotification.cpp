#include "link/BoardNotification.h"

#include <QString>

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
    const QString DeviceNameString = QString::fromStdString(data.devicePath);
    return DeviceNameString.compare(QString::fromStdString(link.BoardDevicePath()), Qt::CaseInsensitive) == 0;
}

}  // namespace boardlink
