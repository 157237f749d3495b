#pragma once

#include "link/DeviceWatcher.h"

namespace boardlink {

class BoardLink;

// True when the notification concerns the board of link: a device interface with the
// identity of the board found last, or, where the board or the notification carries no
// identity, whose path is the board's, letter case aside.
bool IsBoardNotification(const DeviceNotification& data, const BoardLink& link);

}  // namespace boardlink
