#pragma once

#include <cstdint>

#include "link/DeviceWatcher.h"

class MainWindowHost;

// 1 when the notification concerns the board's device (a device interface whose path is
// the board's, letter case aside), else 0.
int IsBoardNotification(const usbio::DeviceNotification& data);

// The main window's reaction to a device arrival or removal: the board's removal blanks
// its texts and makes the next exchange search; its arrival reads and shows the
// information block again and checks the JTAG chain. Returns true in every case.
bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const usbio::DeviceNotification& data);
