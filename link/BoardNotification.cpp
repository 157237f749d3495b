#include "link/BoardNotification.h"

#include <QString>

namespace boardlink {

bool IsBoardNotification(const DeviceNotification& data, const std::string& boardDevicePath)
{
    if (data.deviceType != DeviceTypeInterface)
        return false;
    const QString DeviceNameString = QString::fromStdString(data.devicePath);
    return DeviceNameString.compare(QString::fromStdString(boardDevicePath), Qt::CaseInsensitive) == 0;
}

}  // namespace boardlink
