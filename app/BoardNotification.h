#pragma once

#include <cstdint>

#include "link/DeviceWatcher.h"

class MainWindowHost;

// 1 when the notification concerns the board's device, else 0: a device interface with the
// identity of the board found last, or, where the board or the notification carries no
// identity, whose path is the board's, letter case aside.
int IsBoardNotification(const usbio::DeviceNotification& data);

// The main window's reaction to a device arrival or removal: the board's removal blanks
// its texts and makes the next exchange search; its arrival reads and shows the
// information block again and checks the JTAG chain. Returns true in every case.
bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const usbio::DeviceNotification& data);
