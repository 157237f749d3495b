#pragma once

#include <cstdint>

#include "link/DeviceWatcher.h"

class MainWindowHost;

// The main window's reaction to a device arrival or removal: the board's removal blanks
// its texts and makes the next exchange search; its arrival reads and shows the
// information block again and checks the JTAG chain. Returns true in every case.
bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const boardlink::DeviceNotification& data);
